#pragma once

#include <cstddef>

namespace sonavia {

// How one kind of request is made: the connect time-out of each of the three connect attempts,
// and the most bytes of the reply that are taken. Whatever the server does, a request returns
// within kConnectAttempts × connectTimeoutMs.
struct FetchProfile {
    int connectTimeoutMs = 0;
    std::size_t maxBytes = 0;
};

inline constexpr int kConnectAttempts = 3;

inline constexpr FetchProfile kItemProfile{5000, 1024};
inline constexpr FetchProfile kFlagsProfile{5000, 10240};
inline constexpr FetchProfile kVersionProfile{1000, 1024};
inline constexpr FetchProfile kCatalogueProfile{5000, 102400};
inline constexpr FetchProfile kShoppingRootProfile{1000, 1024};
inline constexpr FetchProfile kShoppingListProfile{1000, 5120};

// The longest any request of the profile may keep its caller waiting.
constexpr int BoundMs(const FetchProfile& profile) {
    return profile.connectTimeoutMs * kConnectAttempts;
}

} // namespace sonavia
