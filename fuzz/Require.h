#pragma once

namespace sonavia::fuzz {

// A broken promise stops the run as a finding.
inline void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

} // namespace sonavia::fuzz
