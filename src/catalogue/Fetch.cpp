#include "catalogue/Fetch.h"

#include "network/HttpRequest.h"

#include <algorithm>
#include <chrono>

namespace sonavia {

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// The library's own time-outs are checked in its event loop and may overshoot by a few
// milliseconds; the request's budget keeps this much in hand so that the bound holds.
constexpr Milliseconds kBoundMargin{25};
// A catalogue may be a local folder; a redirect never leads there.
constexpr char kProtocols[] = "http,https,file";

// The reply as it arrives, up to the byte limit. Reaching the limit ends the transfer, and that
// ending is the one bounded read, not a failure.
struct Reply {
    std::size_t maxBytes = 0;
    std::string body;
    bool limitReached = false;
};

std::size_t TakeBytes(char* data, std::size_t size, std::size_t count, void* user) {
    auto& reply = *static_cast<Reply*>(user);
    const std::size_t bytes = size * count;
    const std::size_t taken = std::min(bytes, reply.maxBytes - reply.body.size());
    reply.body.append(data, taken);
    if (reply.body.size() == reply.maxBytes) {
        reply.limitReached = true;
        return 0; // ends the transfer
    }
    return bytes;
}

// Connecting failed (refused or timed out before a connection stood): worth another attempt.
bool ConnectFailed(CURL* handle, CURLcode code) {
    if (code == CURLE_COULDNT_CONNECT) {
        return true;
    }
    curl_off_t connected = 0;
    return code == CURLE_OPERATION_TIMEDOUT &&
           curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connected) == CURLE_OK &&
           connected == 0;
}

} // namespace

std::string FetchText(const std::string& url, int connectTimeoutMs, std::size_t maxBytes,
                      std::stop_token stop) {
    const StopCheck stopped = [&stop] { return stop.stop_requested(); };
    const auto deadline =
        Clock::now() + Milliseconds(connectTimeoutMs) * kConnectAttempts - kBoundMargin;
    for (int attempt = 0; attempt < kConnectAttempts && !stopped(); ++attempt) {
        const auto remaining =
            std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
        if (remaining <= 0) {
            break;
        }
        const CurlHandle handle = NewRequest(
            {url, kProtocols, static_cast<long>(std::min<long long>(connectTimeoutMs, remaining)),
             static_cast<long>(remaining), &stopped});
        if (!handle) {
            return {};
        }
        Reply reply{maxBytes, {}, false};
        CURL* h = handle.get();
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, TakeBytes);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);

        const CURLcode code = PerformRequest(h, url, [&](CURLcode result) {
            if (stopped()) {
                return RequestEnd::Stopped;
            }
            return result == CURLE_WRITE_ERROR && reply.limitReached ? RequestEnd::ReaderHadEnough
                                                                     : RequestEnd::AsLibcurlSays;
        });
        if (stopped()) {
            return {};
        }
        if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && reply.limitReached)) {
            return std::move(reply.body);
        }
        if (!ConnectFailed(h, code)) {
            return {};
        }
    }
    return {};
}

std::string FetchItemText(ItemKind kind, std::string_view packageBase, int n,
                          std::stop_token stop) {
    return ItemTextOf(FetchText(ItemUrl(kind, packageBase, n), kItemProfile, std::move(stop)));
}

} // namespace sonavia
