#pragma once

#include <curl/curl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The one way the program sets up a libcurl request: the product's name as user agent, no
// signals, redirects followed within the web's schemes, bounded in time, and ended as soon as
// the caller asks.
namespace sonavia {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

// The web's schemes, which every redirect keeps to.
inline constexpr char kWebProtocols[] = "http,https";
inline constexpr long kMaxRedirects = 5;

// Says whether the request is no longer wanted; libcurl asks several times a second, also while
// it waits on the network.
using StopCheck = std::function<bool()>;

struct RequestOptions {
    std::string url;
    // The schemes the address itself may have.
    const char* protocols = kWebProtocols;
    long connectTimeoutMs = 0;
    // The whole request, whatever the server does once connected.
    long totalTimeoutMs = 0;
    // Null: the request runs to its end or its bounds. Must outlive the request.
    const StopCheck* stop = nullptr;
};

// A handle set up for `options`; the caller adds where the body goes. Null when libcurl cannot
// make one.
CurlHandle NewRequest(const RequestOptions& options);

// How a request ended, for the log.
enum class RequestEnd {
    // As libcurl says: done, or failed.
    AsLibcurlSays,
    // The reader took what it wanted and ended the transfer: not a failure.
    ReaderHadEnough,
    // The caller no longer wanted it.
    Stopped,
};

// Performs the request set up on `handle` for `address` and records it in the log: the address
// (and the one that answered, after redirects), libcurl's result, the HTTP status, the bytes
// read and the time taken. A request that failed is a warning; the rest is information.
// `howItEnded` is asked once the transfer is over.
CURLcode PerformRequest(CURL* handle, std::string_view address,
                        const std::function<RequestEnd(CURLcode)>& howItEnded = {});

} // namespace sonavia
