#include "web/curl_transfer.h"

#include <algorithm>
#include <cstdint>

#include "text/text_primitives.h"
#include "web/message_pump.h"

namespace quillet {
namespace {

// How long one wait on the sockets lasts before the message pump gets another turn.
constexpr int PollSliceMs = 50;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
    }
    return true;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

CurlTransfer::CurlTransfer(TransferSetup setup) : setup_(std::move(setup)) {}

CurlTransfer::~CurlTransfer() {
    if (multi_ != nullptr && easy_ != nullptr) curl_multi_remove_handle(multi_, easy_);
    if (easy_ != nullptr) curl_easy_cleanup(easy_);
    if (multi_ != nullptr) curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
}

bool CurlTransfer::Start() {
    if (started_) return true;
    started_ = true;
    // libcurl 7.84 and later initialise themselves on the first curl_easy_init, thread-safely
    // (CURL_VERSION_THREADSAFE); curl_multi_init comes after it.
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (easy_ == nullptr || multi_ == nullptr) {
        finished_ = true;
        result_ = CURLE_FAILED_INIT;
        return false;
    }
    CURL* e = easy_;
    curl_easy_setopt(e, CURLOPT_URL, setup_.url.c_str());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

    if (setup_.method == "HEAD") {
        // libcurl sends no request body with a HEAD (it awaits no reply body either).
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (setup_.hasBody || setup_.method == "POST") {
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(setup_.body.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, setup_.body.data());
        if (setup_.method != "POST") {
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, setup_.method.c_str());
        }
    } else if (setup_.method != "GET") {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, setup_.method.c_str());
    }

    // Only the caller's lines go out beside Host and Content-Length: these empty entries keep
    // libcurl from adding its own Accept, Content-Type and Expect lines.
    for (const char* internal : {"Accept:", "Content-Type:", "Expect:"}) {
        headerList_ = curl_slist_append(headerList_, internal);
    }
    for (const std::string& line : setup_.headers) {
        if (line.find(':') == std::string::npos) continue;
        headerList_ = curl_slist_append(headerList_, line.c_str());
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList_);
    if (!setup_.userAgent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, setup_.userAgent.c_str());

    if (setup_.proxy) {
        const std::string proxy = setup_.proxy->empty() ? "" : "http://" + *setup_.proxy;
        curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());  // libcurl copies the string
    }
    if (!setup_.user.empty() || !setup_.password.empty()) {
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(e, CURLOPT_USERNAME, setup_.user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, setup_.password.c_str());
    }
    if (!setup_.proxyUser.empty() || !setup_.proxyPassword.empty()) {
        curl_easy_setopt(e, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, setup_.proxyUser.c_str());
        curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, setup_.proxyPassword.c_str());
    }
    // An empty file name switches the cookie engine on without reading any file; the cookies
    // live and die with this handle.
    if (setup_.cookieEngine) curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
    if (setup_.followRedirects) {
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    }
    if (!setup_.caFile.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, setup_.caFile.c_str());

    // The idle limit is kept by DriveUntil: a true limit per read, which a trickle of bytes
    // satisfies only as long as the total limit lets it.
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max<std::int64_t>(setup_.connectTimeout.count(), 0)));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(std::max<std::int64_t>(setup_.totalTimeout.count(), 0)));

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &CurlTransfer::OnPrerequest);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);

    if (curl_multi_add_handle(multi_, e) != CURLM_OK) {
        finished_ = true;
        result_ = CURLE_FAILED_INIT;
        return false;
    }
    return true;
}

template <class Done>
void CurlTransfer::DriveUntil(Done done) {
    while (!finished_ && !done()) {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            finished_ = true;
            result_ = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                finished_ = true;
                result_ = message->data.result;
            }
        }
        if (finished_ || done()) break;
        if (connected_ && setup_.idleTimeout.count() > 0 &&
            std::chrono::steady_clock::now() - lastActivity_ > setup_.idleTimeout) {
            finished_ = true;
            result_ = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi_, nullptr, 0, PollSliceMs, nullptr);
        if (setup_.pumpMessagesWhileWaiting) PumpMessages();
    }
    // A header block that ended before the exchange did is the final one.
    if (finished_ && blockComplete_) headersFinal_ = true;
}

bool CurlTransfer::Send() {
    if (!Start()) return false;
    DriveUntil([this] { return connected_; });
    return connected_;
}

bool CurlTransfer::WaitForHeaders() {
    if (!Start()) return false;
    DriveUntil([this] { return headersFinal_; });
    return headersFinal_;
}

std::size_t CurlTransfer::WaitForData() {
    if (!Start()) return 0;
    DriveUntil([this] { return buffer_.size() > bufferStart_; });
    return buffer_.size() - bufferStart_;
}

std::size_t CurlTransfer::Read(char* buffer, std::size_t size) {
    const std::size_t n = std::min(size, buffer_.size() - bufferStart_);
    buffer_.copy(buffer, n, bufferStart_);
    bufferStart_ += n;
    if (bufferStart_ == buffer_.size()) {
        buffer_.clear();
        bufferStart_ = 0;
    }
    return n;
}

bool CurlTransfer::Failed() const {
    return finished_ && result_ != CURLE_OK;
}

std::optional<std::string> CurlTransfer::HeaderField(std::string_view name) const {
    std::string_view block = headers_;
    std::size_t begin = block.find("\r\n");  // skip the status line
    while (begin != std::string_view::npos && begin + 2 < block.size()) {
        begin += 2;
        const std::size_t end = block.find("\r\n", begin);
        const std::string_view line = block.substr(begin, end - begin);
        if (StartsWithNoCase(line, name) && line.size() > name.size() && line[name.size()] == ':') {
            std::string_view value = line.substr(name.size() + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
                value.remove_prefix(1);
            }
            return std::string(value);
        }
        begin = end;
    }
    return std::nullopt;
}

std::size_t CurlTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const std::size_t length = size * count;
    t->lastActivity_ = std::chrono::steady_clock::now();
    if (t->headersFinal_) return length;  // trailers of a chunked body
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.substr(0, 5) == "HTTP/") {
        // A new reply (after an interim one or a followed redirect) starts a new block.
        t->headers_.clear();
        t->blockComplete_ = false;
        const std::size_t space = line.find(' ');
        t->status_ = 0;
        for (std::size_t i = space == std::string_view::npos ? line.size() : space + 1;
             i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
            t->status_ = t->status_ * 10 + (line[i] - '0');
            if (t->status_ > 999) break;
        }
    }
    t->headers_.append(line);
    t->headers_.append("\r\n");
    if (line.empty()) {
        t->blockComplete_ = true;
        const bool interim = t->status_ >= 100 && t->status_ < 200;
        const bool followed = t->setup_.followRedirects && IsRedirect(t->status_) &&
                              t->HeaderField("Location").has_value();
        if (!interim && !followed) t->headersFinal_ = true;
    }
    return length;
}

std::size_t CurlTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<CurlTransfer*>(self);
    const std::size_t length = size * count;
    t->lastActivity_ = std::chrono::steady_clock::now();
    if (t->blockComplete_) t->headersFinal_ = true;
    if (t->buffer_.size() - t->bufferStart_ + length > MaxBufferedBytes) return 0;  // fails
    if (t->bufferStart_ > 0 && t->bufferStart_ * 2 > t->buffer_.size()) {
        t->buffer_.erase(0, t->bufferStart_);
        t->bufferStart_ = 0;
    }
    t->buffer_.append(data, length);
    return length;
}

int CurlTransfer::OnPrerequest(void* self, char*, char*, int, int) {
    auto* t = static_cast<CurlTransfer*>(self);
    t->connected_ = true;
    t->lastActivity_ = std::chrono::steady_clock::now();
    return CURL_PREREQFUNC_OK;
}

}  // namespace quillet
