#include "runtime/http_download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <memory>
#include <optional>
#include <string>

#include "runtime/file_ops.h"

// libcurl 7.84 and later initialise themselves on the first curl_easy_init, thread-safely
// (CURL_VERSION_THREADSAFE), so no call here needs curl_global_init of its own.

namespace quillet {
namespace {

// How long one wait on the sockets lasts before a stop request is looked at again.
constexpr int PollSliceMs = 50;
constexpr long ReceiveBufferBytes = 256 * 1024;

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

// The settings both downloads share.
void Configure(CURL* h, const std::string& url, curl_slist* headers,
               const DownloadTimeouts& timeouts, std::string_view proxy) {
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(h, CURLOPT_USERAGENT, std::string(DownloadUserAgent).c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for resolving
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeouts.stallSeconds);
    if (!proxy.empty()) {
        const std::string named = "http://" + std::string(UpToNul(proxy));
        curl_easy_setopt(h, CURLOPT_PROXY, named.c_str());  // libcurl copies the string
    }
}

// Where a download into memory goes. Room for the whole body is made at once when the reply
// announces its length, so a large body is held once, without the copies a growing buffer
// makes.
struct MemorySink {
    Bytes* body;
    CURL* handle;
    bool sized = false;
    bool overCap = false;
};

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<MemorySink*>(user);
    const std::size_t length = size * count;
    if (sink->body->size() + length > MemoryDownloadCap) {
        sink->overCap = true;
        return 0;  // ends the transfer with a write error
    }
    if (!sink->sized) {
        sink->sized = true;
        curl_off_t announced = -1;
        curl_easy_getinfo(sink->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0 && static_cast<std::uint64_t>(announced) <= MemoryDownloadCap) {
            sink->body->reserve(static_cast<std::size_t>(announced));
        }
    }
    sink->body->append(data, length);
    return length;
}

// "bytes FIRST-LAST/TOTAL": FIRST, and TOTAL (-1 when "*"); nullopt when malformed.
std::optional<std::pair<std::int64_t, std::int64_t>> ParseContentRange(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    if (value.substr(0, 6) != "bytes ") return std::nullopt;
    value.remove_prefix(6);
    const std::size_t dash = value.find('-');
    const std::size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) {
        return std::nullopt;
    }
    std::int64_t first = -1;
    const std::string_view firstText = value.substr(0, dash);
    if (std::from_chars(firstText.data(), firstText.data() + firstText.size(), first).ec !=
        std::errc()) {
        return std::nullopt;
    }
    std::string_view totalText = value.substr(slash + 1);
    while (!totalText.empty() && (totalText.back() == ' ' || totalText.back() == '\r' ||
                                  totalText.back() == '\n' || totalText.back() == '\t')) {
        totalText.remove_suffix(1);
    }
    std::int64_t total = -1;
    if (totalText != "*" &&
        std::from_chars(totalText.data(), totalText.data() + totalText.size(), total).ec !=
            std::errc()) {
        return std::nullopt;
    }
    return std::make_pair(first, total);
}

bool IsInterruption(CURLcode code) {
    return code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR ||
           code == CURLE_OPERATION_TIMEDOUT || code == CURLE_GOT_NOTHING ||
           code == CURLE_SEND_ERROR;
}

// One download into a file, across its attempts.
class FileDownload {
  public:
    FileDownload(int fd, const FileDownloadOptions& options) : fd_(fd), options_(options) {}

    FileDownloadResult Run(const std::string& url);

  private:
    // One attempt: a GET, ranged from `written_` when `ranged`.
    CURLcode Attempt(const std::string& url, bool ranged);
    bool Accept();  // the attempt's reply decides what its body means; false refuses it
    bool Truncate();
    bool WriteAll(const char* data, std::size_t length);
    void Report();

    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    int fd_;
    const FileDownloadOptions& options_;
    CURL* handle_ = nullptr;
    std::int64_t written_ = 0;
    std::int64_t total_ = -1;  // the whole file's announced length
    int restartsLeft_ = 1;
    bool ranged_ = false;
    bool decided_ = false;  // the attempt's first body bytes have been looked at
    bool writing_ = false;  // the attempt's body goes into the file
    bool failedWrite_ = false;
    bool rangeRefused_ = false;  // a ranged request got no matching continuation
    bool stopped_ = false;
    long status_ = 0;
    std::optional<std::string> contentRange_{};
};

bool FileDownload::WriteAll(const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd_, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
        written_ += n;
    }
    return true;
}

bool FileDownload::Truncate() {
    if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return false;
    written_ = 0;
    return true;
}

void FileDownload::Report() {
    if (options_.progress) options_.progress(written_, total_);
}

bool FileDownload::Accept() {
    long status = 0;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    status_ = status;
    const bool success = status >= 200 && status <= 299;
    if (ranged_ && status == 206) {
        // Only the continuation of what the file holds may be appended.
        const auto range = contentRange_ ? ParseContentRange(*contentRange_) : std::nullopt;
        if (!range || range->first != written_ || (total_ >= 0 && range->second != total_)) {
            rangeRefused_ = true;
            return false;
        }
        if (range->second >= 0) total_ = range->second;
        return true;
    }
    if (!success || status == 206) {
        if (ranged_) {
            rangeRefused_ = true;
            return false;
        }
        writing_ = false;  // not the file's bytes: kept out of it
        return true;
    }
    if (ranged_ || written_ > 0) {
        // The server sends the whole file again: start over, once.
        if (restartsLeft_ == 0) return false;
        --restartsLeft_;
        if (!Truncate()) return false;
    }
    curl_off_t announced = -1;
    curl_easy_getinfo(handle_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    total_ = announced >= 0 ? static_cast<std::int64_t>(announced) : -1;
    return true;
}

size_t FileDownload::OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* d = static_cast<FileDownload*>(self);
    const std::size_t length = size * count;
    const std::string_view line(data, length);
    if (line.substr(0, 5) == "HTTP/") d->contentRange_.reset();  // a new reply's block
    constexpr std::string_view Name = "content-range:";
    if (line.size() > Name.size()) {
        bool match = true;
        for (std::size_t i = 0; i < Name.size() && match; ++i) {
            char c = line[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            match = c == Name[i];
        }
        if (match) d->contentRange_ = std::string(line.substr(Name.size()));
    }
    return length;
}

size_t FileDownload::OnBody(char* data, size_t size, size_t count, void* self) {
    auto* d = static_cast<FileDownload*>(self);
    const std::size_t length = size * count;
    if (!d->decided_) {
        d->decided_ = true;
        d->writing_ = true;
        if (!d->Accept()) return 0;
    }
    if (!d->writing_) return length;
    if (!d->WriteAll(data, length)) {
        d->failedWrite_ = true;
        return 0;
    }
    d->Report();
    return length;
}

int FileDownload::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* d = static_cast<FileDownload*>(self);
    if (d->options_.stop.stop_requested()) {
        d->stopped_ = true;
        return 1;  // aborts the transfer
    }
    return 0;
}

CURLcode FileDownload::Attempt(const std::string& url, bool ranged) {
    EasyHandle easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    HeaderList headers(curl_slist_append(nullptr, "Accept: */*"));
    if (!easy || !multi || !headers) return CURLE_FAILED_INIT;
    CURL* h = easy.get();
    handle_ = h;
    ranged_ = ranged;
    decided_ = false;
    writing_ = false;
    contentRange_.reset();
    Configure(h, url, headers.get(), options_.timeouts, options_.proxy);
    const std::string range = std::to_string(written_) + "-";
    if (ranged) curl_easy_setopt(h, CURLOPT_RANGE, range.c_str());
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, ReceiveBufferBytes);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &FileDownload::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &FileDownload::OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &FileDownload::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);

    // Driven through a multi handle so that a stop request is seen between short waits,
    // not only when libcurl next calls the progress function.
    if (curl_multi_add_handle(multi.get(), h) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done) {
        if (options_.stop.stop_requested()) {
            stopped_ = true;
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) {
                done = true;
                result = message->data.result;
            }
        }
        if (!done) curl_multi_poll(multi.get(), nullptr, 0, PollSliceMs, nullptr);
    }
    if (!decided_) {
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        status_ = status;
    }
    curl_multi_remove_handle(multi.get(), h);
    handle_ = nullptr;
    return result;
}

FileDownloadResult FileDownload::Run(const std::string& url) {
    FileDownloadResult result;
    int resumesLeft = options_.maxResumes;
    bool ranged = false;
    for (;;) {
        const CURLcode code = Attempt(url, ranged);
        result.status = status_;
        if (code == CURLE_OK) {
            result.complete = true;
            break;
        }
        if (stopped_ || failedWrite_) break;
        if (rangeRefused_) {
            // The server cannot continue: the whole file once more, from the start.
            rangeRefused_ = false;
            resumesLeft = 0;
            if (restartsLeft_ == 0 || !Truncate()) break;
            --restartsLeft_;
            ranged = false;
            continue;
        }
        if (!IsInterruption(code)) break;
        // Interrupted: go on from what the file holds, or from the start.
        if (written_ > 0 && resumesLeft > 0) {
            --resumesLeft;
            ranged = true;
        } else if (restartsLeft_ > 0) {
            --restartsLeft_;
            if (!Truncate()) break;
            ranged = false;
        } else {
            break;
        }
    }
    result.stopped = stopped_;
    result.bytes = written_;
    if (result.complete) Report();
    return result;
}

}  // namespace

DownloadResult HttpDownload(std::string_view address, const DownloadTimeouts& timeouts,
                            std::string_view proxy) {
    DownloadResult result;
    std::string url(UpToNul(address));
    if (url.empty()) return result;
    EasyHandle curl(curl_easy_init());
    if (!curl) return result;
    HeaderList headers(curl_slist_append(nullptr, "Accept: */*"));
    if (!headers) return result;

    CURL* h = curl.get();
    Configure(h, url, headers.get(), timeouts, proxy);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, AppendBody);
    MemorySink sink{&result.body, h};
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    const CURLcode code = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    result.status = status;
    result.complete = code == CURLE_OK;
    if (!result.complete) Bytes().swap(result.body);
    return result;
}

Bytes HttpDownloadBytes(std::string_view address, std::string_view proxy) {
    return HttpDownload(address, {}, proxy).body;
}

FileDownloadResult HttpDownloadToFile(std::string_view address, std::string_view path,
                                      const FileDownloadOptions& options) {
    FileDownloadResult result;
    const std::string url(UpToNul(address));
    if (url.empty()) return result;
    const int fd = CreateForWriting(path);
    if (fd < 0) return result;
    FileDownload download(fd, options);
    result = download.Run(url);
    if (::close(fd) != 0 && errno != EINTR) result.complete = false;
    return result;
}

}  // namespace quillet
