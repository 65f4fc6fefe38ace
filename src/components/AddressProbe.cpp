#include "components/AddressProbe.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>

namespace sonavia {

namespace {

struct Transfer {
    CURL* handle = nullptr;
    std::string address;
    std::string contentType;
    std::string body;
    bool decided = false;
    ReplyKind kind;
};

// Collects the body; stops the transfer as soon as the reply is known not to be a playlist,
// and at the byte limit.
std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto& transfer = *static_cast<Transfer*>(userData);
    const std::size_t length = size * count;
    const std::size_t room = kPlaylistMaxBytes - transfer.body.size();
    transfer.body.append(data, std::min(length, room));
    if (!transfer.decided && transfer.body.size() >= kClassifyBytes) {
        const char* contentType = nullptr;
        if (curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK &&
            contentType != nullptr) {
            transfer.contentType = contentType;
        }
        transfer.kind = ClassifyReply(transfer.contentType, transfer.body, transfer.address);
        transfer.decided = true;
    }
    const bool stop = (transfer.decided && transfer.kind.kind != AddressKind::Playlist) ||
                      transfer.body.size() >= kPlaylistMaxBytes;
    return stop ? CURL_WRITEFUNC_ERROR : length;
}

// Called by libcurl several times a second, also while it waits on the network.
int OnProgress(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancelled = static_cast<const std::atomic<bool>*>(userData);
    return cancelled->load() ? 1 : 0;
}

} // namespace

ProbeResult ProbeAddress(const std::string& address, long totalTimeoutMs,
                         const std::atomic<bool>* cancelled) {
    ProbeResult result{{}, {}, address};
    if (!IsWebAddress(address)) {
        return result;
    }
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                   curl_easy_cleanup);
    if (!curl) {
        return result;
    }
    CURL* handle = curl.get();
    Transfer transfer{handle, address, {}, {}, false, {}};
    curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kProbeMaxRedirects);
    const long totalMs = std::clamp(totalTimeoutMs, 1L, kProbeTotalTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, std::min(kProbeConnectTimeoutMs, totalMs));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, totalMs);
    if (cancelled != nullptr) {
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, cancelled);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    }
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Sonavia Plus");

    // A body stopped on purpose ends in a write error; the bytes read are what counts.
    curl_easy_perform(handle);

    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if ((cancelled != nullptr && cancelled->load()) || status < 200 || status >= 300) {
        return result;
    }
    const char* contentType = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK &&
        contentType != nullptr) {
        transfer.contentType = contentType;
    }
    const char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective != nullptr) {
        result.effectiveAddress = effective;
    }
    result.kind = transfer.decided && transfer.kind.kind != AddressKind::Playlist
                      ? transfer.kind
                      : ClassifyReply(transfer.contentType, transfer.body, address);
    result.body = std::move(transfer.body);
    return result;
}

} // namespace sonavia
