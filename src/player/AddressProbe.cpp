#include "player/AddressProbe.h"

#include "network/HttpRequest.h"

#include <algorithm>

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

} // namespace

ProbeResult ProbeAddress(const std::string& address, long totalTimeoutMs, std::stop_token stop) {
    ProbeResult result{{}, {}, address};
    if (!IsWebAddress(address)) {
        return result;
    }
    const StopCheck stopped = [&stop] { return stop.stop_requested(); };
    const long totalMs = std::clamp(totalTimeoutMs, 1L, kProbeTotalTimeoutMs);
    const CurlHandle curl = NewRequest(
        {address, kWebProtocols, std::min(kProbeConnectTimeoutMs, totalMs), totalMs, &stopped});
    if (!curl) {
        return result;
    }
    CURL* handle = curl.get();
    Transfer transfer{handle, address, {}, {}, false, {}};
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);

    // A body stopped on purpose ends in a write error; the bytes read are what counts.
    curl_easy_perform(handle);

    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (stopped() || status < 200 || status >= 300) {
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
