#pragma once

#include "catalogue/Config.h"

#include <optional>
#include <stop_token>

namespace sonavia {

inline constexpr char kVersionFolder[] = "channelsplus";
inline constexpr char kVersionFile[] = "versionplus.txt";

// Asks the maker's site for the published version: the version when it is higher than
// `ownVersion`, for the download button to offer; none when it is not, and when the request
// fails.
std::optional<float> CheckRadioVersion(const ServerBases& bases, float ownVersion,
                                       std::stop_token stop = {});

} // namespace sonavia
