#include "network/HttpRequest.h"

#include "network/NetworkLog.h"
#include "rules/Product.h"

#include <chrono>

namespace sonavia {

namespace {

// The address that answered, after redirects.
std::string_view AnsweringAddress(CURL* handle) {
    char* address = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &address);
    return address != nullptr ? address : "";
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
    // Every encoding libcurl decodes is asked for, and so read: servers compress without being
    // asked. The body's limits count the decoded bytes.
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    if (options.stop != nullptr) {
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, options.stop);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
    return handle;
}

CURLcode PerformRequest(CURL* handle, std::string_view address,
                        const std::function<RequestEnd(CURLcode)>& howItEnded) {
    const auto started = std::chrono::steady_clock::now();
    const CURLcode code = curl_easy_perform(handle);
    const RequestEnd end = howItEnded ? howItEnded(code) : RequestEnd::AsLibcurlSays;
    const bool failed = end == RequestEnd::AsLibcurlSays && code != CURLE_OK;
    if (!failed && !lcNetwork().isInfoEnabled()) {
        return code;
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t bytes = 0;
    curl_easy_getinfo(handle, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    const std::string_view answered = AnsweringAddress(handle);
    const char* ending = end == RequestEnd::Stopped           ? " (stopped)"
                         : end == RequestEnd::ReaderHadEnough ? " (read enough)"
                                                              : "";
    const QString line =
        QStringLiteral("GET %1%2: libcurl %3 (%4)%5, HTTP %6, %7 bytes, %8 ms")
            .arg(FromUtf8(address), answered.empty() || answered == address
                                        ? QString()
                                        : QStringLiteral(" -> ") + FromUtf8(answered))
            .arg(static_cast<int>(code))
            .arg(QString::fromUtf8(curl_easy_strerror(code)), QLatin1String(ending))
            .arg(status)
            .arg(static_cast<qint64>(bytes))
            .arg(static_cast<qint64>(took.count()));
    if (failed) {
        qCWarning(lcNetwork).noquote() << line;
    } else {
        qCInfo(lcNetwork).noquote() << line;
    }
    return code;
}

} // namespace sonavia
