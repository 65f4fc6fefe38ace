#include "network/HttpRequest.h"

#include "rules/Product.h"

namespace sonavia {

namespace {

int OnProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return (*static_cast<const StopCheck*>(data))() ? 1 : 0;
}

} // namespace

CurlHandle NewRequest(const RequestOptions& options) {
    CurlHandle handle(curl_easy_init());
    if (!handle) {
        return handle;
    }
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, options.url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, kProductTitle);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, options.protocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    if (options.stop != nullptr) {
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, options.stop);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
    return handle;
}

} // namespace sonavia
