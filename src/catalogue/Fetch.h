#pragma once

#include "rules/CatalogueText.h"
#include "rules/FetchProfiles.h"

#include <stop_token>
#include <string>
#include <string_view>

namespace sonavia {

// Shown when a station's address cannot be had.
inline constexpr char kChannelInformationFailedText[] =
    "We are unable to access Channel Information at this time";

// Reads at most `maxBytes` bytes of `url` (http, https or file). Never fails outward: a refused
// or timed-out connection, an error status (400 and above), a broken transfer or a server that
// stops sending all give the empty text. Connecting is tried three times; the whole request,
// whatever the server does once it has accepted, returns within three connect time-outs, and
// within a fraction of a second once `stop` is requested (then with the empty text).
std::string FetchText(const std::string& url, int connectTimeoutMs, std::size_t maxBytes,
                      std::stop_token stop = {});

inline std::string FetchText(const std::string& url, const FetchProfile& profile,
                             std::stop_token stop = {}) {
    return FetchText(url, profile.connectTimeoutMs, profile.maxBytes, std::move(stop));
}

// The text of catalogue item n (position + 1) under the package base: the first line of its
// address file; empty when the request failed or the server sent a web page. Callers that
// report the failure show kChannelInformationFailedText.
std::string FetchItemText(ItemKind kind, std::string_view packageBase, int n,
                          std::stop_token stop = {});

} // namespace sonavia
