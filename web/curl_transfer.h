#pragma once

// One HTTP exchange over libcurl, driven step by step so the two request layers can hand out
// its stages the way their callers ask for them: connected and sent, final reply headers in,
// body data available. Internal to web/.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "text/text_types.h"
#include "web/http_address.h"

namespace quillet {

struct TransferSetup {
    std::string url{};     ///< absolute address handed to libcurl
    std::string method{};  ///< "GET", "POST", "HEAD" or "PUT"
    Bytes body{};          ///< sent when hasBody
    bool hasBody = false;
    std::vector<std::string> headers{};  ///< request header lines, without CR LF
    std::string userAgent{};             ///< sent unless a header line carries its own
    /// Proxy: nullopt uses the system's settings (the *_proxy environment variables), an
    /// empty text none, otherwise "host:port" for this address.
    std::optional<std::string> proxy = std::string();
    std::string user, password;            ///< Basic credentials for the server
    std::string proxyUser, proxyPassword;  ///< Basic credentials for the proxy
    bool cookieEngine = false;             ///< libcurl's own cookie handling for this exchange
    bool followRedirects = true;
    /// Zero: libcurl's own default.
    std::chrono::milliseconds connectTimeout{30000};
    /// Once connected, the exchange fails when neither a header line nor body bytes arrive
    /// for this long; zero: no limit.
    std::chrono::milliseconds idleTimeout{30000};
    /// The whole exchange fails after this long, however it goes; zero: no limit.
    std::chrono::milliseconds totalTimeout{0};
    bool pumpMessagesWhileWaiting = false;  ///< runs PumpMessages while blocked
    std::string caFile{};  ///< trusted certificates (PEM) in place of the system's, if given
};

class CurlTransfer {
  public:
    explicit CurlTransfer(TransferSetup setup);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    /// Starts the exchange and waits until the request is on its way: true once the
    /// connection stands, false when it could not be made.
    bool Send();

    /// Waits for the final reply's header block; false when the exchange ended without one.
    bool WaitForHeaders();

    /// Waits until body bytes are buffered or the exchange is over; the buffered count.
    std::size_t WaitForData();

    /// Moves up to `size` buffered bytes into `buffer`; the count moved.
    std::size_t Read(char* buffer, std::size_t size);

    /// Body bytes received but not yet read beyond which the exchange fails.
    static constexpr std::size_t MaxBufferedBytes = MaxPageBodyBytes;

    /// Over, and not through a complete reply.
    bool Failed() const;
    bool Finished() const { return finished_; }

    /// The final reply's raw header block: status line first, every line ending in CR LF,
    /// an empty line last.
    const std::string& RawHeaders() const { return headers_; }

    /// Value of the first header `name` (letter case ignored) of the final reply, if any.
    std::optional<std::string> HeaderField(std::string_view name) const;

  private:
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static int OnPrerequest(void* self, char*, char*, int, int);

    template <class Done>
    void DriveUntil(Done done);
    bool Start();

    TransferSetup setup_;
    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* headerList_ = nullptr;
    std::chrono::steady_clock::time_point lastActivity_{};
    bool started_ = false;
    bool finished_ = false;
    CURLcode result_ = CURLE_OK;
    bool connected_ = false;
    bool headersFinal_ = false;
    bool blockComplete_ = false;  // the current header block has reached its empty line
    int status_ = 0;              // status code of the current header block
    std::string headers_{};
    std::string buffer_{};
    std::size_t bufferStart_ = 0;
};

}  // namespace quillet
