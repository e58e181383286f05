#include "runtime/http_download.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>

namespace quillet {
namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Where the body goes. Room for the whole body is made at once when the reply announces its
// length, so a large song is held once, without the copies a growing buffer makes.
struct BodySink {
    Bytes* body;
    CURL* handle;
    bool sized = false;
};

constexpr curl_off_t LargestReservation = curl_off_t{1} << 30;

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    if (!sink->sized) {
        sink->sized = true;
        curl_off_t length = -1;
        curl_easy_getinfo(sink->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length > 0 && length <= LargestReservation) {
            sink->body->reserve(static_cast<std::size_t>(length));
        }
    }
    sink->body->append(data, size * count);
    return size * count;
}

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

DownloadResult HttpDownload(std::string_view address, const DownloadTimeouts& timeouts) {
    DownloadResult result;
    std::string url(UpToNul(address));
    if (url.empty()) return result;
    GlobalInitOnce();
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) return result;
    std::unique_ptr<curl_slist, ListDeleter> headers(curl_slist_append(nullptr, "Accept: */*"));
    if (!headers) return result;

    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(h, CURLOPT_USERAGENT, std::string(DownloadUserAgent).c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for resolving
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendBody);
    BodySink sink{&result.body, h};
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    CURLcode code = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    result.status = status;
    result.complete = code == CURLE_OK;
    if (!result.complete) result.body.clear();
    return result;
}

Bytes HttpDownloadBytes(std::string_view address) {
    return HttpDownload(address).body;
}

}  // namespace quillet
