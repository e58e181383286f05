#include <curl/curl.h>

#include <algorithm>

#include "text/text_primitives.h"
#include "web/curl_transfer.h"
#include "web/http_address.h"
#include "web/wininet_layer.h"

namespace quillet {

struct WinInetObject {
    virtual ~WinInetObject() = default;
};

namespace {

struct Internet final : WinInetObject {
    std::string agent;
    int accessType = wininet::OpenTypeDirect;
    std::string proxyName;
};

struct Connection final : WinInetObject {
    Internet settings;
    std::string host;
    int port = 0;
};

struct Request final : WinInetObject {
    TransferSetup setup;
    std::unique_ptr<CurlTransfer> transfer;
    bool received = false;
};

// Header lines of a CR LF separated block; empty lines and lines that are no header dropped.
std::vector<std::string> HeaderLines(std::string_view block) {
    std::vector<std::string> lines;
    SplitHeaderLines(block, lines);
    return lines;
}

std::optional<std::string> ProxyFor(const Internet& internet, bool secure) {
    if (internet.accessType == wininet::OpenTypePreconfig) return std::nullopt;
    if (internet.accessType == wininet::OpenTypeProxy) {
        return ProxyForScheme(internet.proxyName, secure ? "https" : "http");
    }
    return std::string();
}

void ApplyCommon(TransferSetup& setup, const Internet& internet, unsigned flags, bool secure,
                 const CurlLayerOptions& options) {
    setup.userAgent = internet.agent;
    setup.proxy = ProxyFor(internet, secure);
    setup.cookieEngine = (flags & wininet::FlagNoCookies) == 0;
    setup.followRedirects = (flags & wininet::FlagNoAutoRedirect) == 0;
    setup.connectTimeout = options.connectTimeout;
    setup.idleTimeout = options.idleTimeout;
    setup.totalTimeout = std::max(options.connectTimeout, options.idleTimeout) * TotalTimeoutFactor;
    setup.pumpMessagesWhileWaiting = false;
    setup.caFile = options.caFile;
}

}  // namespace

CurlWinInet::CurlWinInet(CurlLayerOptions options) : options_(std::move(options)) {}

WinInetLayer::Handle CurlWinInet::Open(std::string_view agent, int accessType,
                                       std::string_view proxyName) {
    if (accessType != wininet::OpenTypePreconfig && accessType != wininet::OpenTypeDirect &&
        accessType != wininet::OpenTypeProxy) {
        return nullptr;
    }
    if (accessType == wininet::OpenTypeProxy && proxyName.empty()) return nullptr;
    auto* internet = new Internet;
    internet->agent = agent;
    internet->accessType = accessType;
    internet->proxyName = proxyName;
    return internet;
}

WinInetLayer::Handle CurlWinInet::Connect(Handle internet, std::string_view host, int port,
                                          int service) {
    const auto* i = dynamic_cast<Internet*>(internet);
    if (i == nullptr || host.empty() || port <= 0 || port > 65535 ||
        service != wininet::ServiceHttp) {
        return nullptr;
    }
    auto* connection = new Connection;
    connection->settings = *i;
    connection->host = host;
    connection->port = port;
    return connection;
}

WinInetLayer::Handle CurlWinInet::OpenRequest(Handle connection, std::string_view verb,
                                              std::string_view objectName,
                                              std::string_view /*version*/, unsigned flags) {
    const auto* c = dynamic_cast<Connection*>(connection);
    if (c == nullptr || verb.empty()) return nullptr;
    const bool secure = (flags & wininet::FlagSecure) != 0;
    auto* request = new Request;
    request->setup.url = TransferUrl(secure, c->host, c->port, objectName);
    request->setup.method = verb;
    ApplyCommon(request->setup, c->settings, flags, secure, options_);
    return request;
}

bool CurlWinInet::SendRequest(Handle handle, std::string_view headers, std::string_view body) {
    auto* r = dynamic_cast<Request*>(handle);
    if (r == nullptr || r->transfer) return false;
    r->setup.headers = HeaderLines(headers);
    r->setup.body = body;
    r->setup.hasBody = !body.empty();
    r->transfer = std::make_unique<CurlTransfer>(r->setup);
    r->received = r->transfer->WaitForHeaders();
    return r->received;
}

WinInetLayer::Handle CurlWinInet::OpenUrl(Handle internet, std::string_view url,
                                          std::string_view headers, unsigned flags) {
    const auto* i = dynamic_cast<Internet*>(internet);
    if (i == nullptr || url.empty() || url.find('\0') != std::string_view::npos) return nullptr;
    const std::string lower = AsciiLower(url.substr(0, 8));
    if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) return nullptr;
    auto request = std::make_unique<Request>();
    request->setup.url = url;
    request->setup.method = "GET";
    request->setup.headers = HeaderLines(headers);
    ApplyCommon(request->setup, *i, flags, lower == "https://", options_);
    request->transfer = std::make_unique<CurlTransfer>(request->setup);
    request->received = request->transfer->WaitForHeaders();
    if (!request->received) return nullptr;
    return request.release();
}

bool CurlWinInet::ReadFile(Handle handle, char* buffer, std::size_t size, std::size_t& read) {
    auto* r = dynamic_cast<Request*>(handle);
    read = 0;
    if (r == nullptr || (buffer == nullptr && size > 0)) return false;
    if (!r->received || size == 0) return r->received;
    if (r->transfer->WaitForData() == 0) return !r->transfer->Failed();
    read = r->transfer->Read(buffer, size);
    return true;
}

bool CurlWinInet::QueryInfo(Handle handle, int infoLevel, char* buffer, std::size_t& length) {
    const auto* r = dynamic_cast<Request*>(handle);
    if (r == nullptr || !r->received) return false;
    std::string value;
    if (infoLevel == wininet::QueryRawHeadersCrlf) {
        value = UpToNul(r->transfer->RawHeaders());
    } else if (infoLevel == wininet::QueryContentLength) {
        const std::optional<std::string> field = r->transfer->HeaderField("Content-Length");
        if (!field) return false;
        value = UpToNul(*field);
    } else {
        return false;
    }
    return CopyWithNul(value, buffer, length);
}

void CurlWinInet::CloseHandle(Handle handle) {
    delete handle;
}

WinInetLayer& DefaultWinInetLayer() {
    static CurlWinInet layer;
    return layer;
}

}  // namespace quillet
