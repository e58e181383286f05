#include <curl/curl.h>

#include <algorithm>

#include "text/text_primitives.h"
#include "web/curl_transfer.h"
#include "web/http_address.h"
#include "web/winhttp_layer.h"

namespace quillet {

struct WinHttpObject {
    virtual ~WinHttpObject() = default;
};

namespace {

struct Session final : WinHttpObject {
    int accessType = winhttp::AccessNoProxy;
    std::string proxyName;
};

struct Connection final : WinHttpObject {
    int accessType = winhttp::AccessNoProxy;
    std::string proxyName;
    std::string host;
    int port = 0;
};

struct Request final : WinHttpObject {
    TransferSetup setup;
    std::unique_ptr<CurlTransfer> transfer;
    bool received = false;
};

Request* AsRequest(WinHttpLayer::Handle handle) {
    return dynamic_cast<Request*>(handle);
}

// One part of a parsed address, or nothing.
std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* value = nullptr;
    std::string text;
    if (curl_url_get(url, part, &value, flags) == CURLUE_OK && value != nullptr) text = value;
    curl_free(value);
    return text;
}

std::chrono::milliseconds Limit(int ms) {
    // Zero or less: no limit of our own (libcurl's defaults stand: no idle limit, its own
    // connect time-out).
    return std::chrono::milliseconds(ms > 0 ? ms : 0);
}

}  // namespace

CurlWinHttp::CurlWinHttp(CurlLayerOptions options) : options_(std::move(options)) {}

bool CurlWinHttp::CheckPlatform() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info != nullptr && (info->features & CURL_VERSION_SSL) != 0;
}

bool CurlWinHttp::CrackUrl(std::string_view url, UrlComponents& parts) {
    if (url.empty() || url.find('\0') != std::string_view::npos) return false;
    CURLU* parsed = curl_url();
    if (parsed == nullptr) return false;
    const std::string text(url);
    bool ok = curl_url_set(parsed, CURLUPART_URL, text.c_str(), CURLU_ALLOW_SPACE) == CURLUE_OK;
    if (ok) {
        const std::string scheme = AsciiLower(UrlPart(parsed, CURLUPART_SCHEME));
        const std::string host = UrlPart(parsed, CURLUPART_HOST);
        const std::string port = UrlPart(parsed, CURLUPART_PORT, CURLU_DEFAULT_PORT);
        ok = (scheme == "http" || scheme == "https") && !host.empty() && !port.empty();
        if (ok) {
            parts.scheme = scheme == "https" ? winhttp::SchemeHttps : winhttp::SchemeHttp;
            // libcurl keeps the brackets of an IPv6 literal; the host name has none.
            parts.host =
                host.front() == '[' && host.back() == ']' ? host.substr(1, host.size() - 2) : host;
            parts.port = std::stoi(port);
            parts.path = UrlPart(parsed, CURLUPART_PATH);
            const std::string query = UrlPart(parsed, CURLUPART_QUERY);
            parts.extraInfo = query.empty() ? "" : "?" + query;
        }
    }
    curl_url_cleanup(parsed);
    return ok;
}

WinHttpLayer::Handle CurlWinHttp::Open(int accessType, std::string_view proxyName) {
    if (accessType != winhttp::AccessNoProxy && accessType != winhttp::AccessNamedProxy) {
        return nullptr;
    }
    if (accessType == winhttp::AccessNamedProxy && proxyName.empty()) return nullptr;
    auto* session = new Session;
    session->accessType = accessType;
    session->proxyName = proxyName;
    return session;
}

WinHttpLayer::Handle CurlWinHttp::Connect(Handle session, std::string_view host, int port) {
    const auto* s = dynamic_cast<Session*>(session);
    if (s == nullptr || host.empty() || port <= 0 || port > 65535) return nullptr;
    auto* connection = new Connection;
    connection->accessType = s->accessType;
    connection->proxyName = s->proxyName;
    connection->host = host;
    connection->port = port;
    return connection;
}

WinHttpLayer::Handle CurlWinHttp::OpenRequest(Handle connection, std::string_view verb,
                                              std::string_view objectName, unsigned flags) {
    const auto* c = dynamic_cast<Connection*>(connection);
    if (c == nullptr || verb.empty()) return nullptr;
    const bool secure = (flags & winhttp::FlagSecure) != 0;
    auto* request = new Request;
    TransferSetup& setup = request->setup;
    setup.url = TransferUrl(secure, c->host, c->port, objectName);
    setup.method = verb;
    setup.proxy = c->accessType == winhttp::AccessNamedProxy
                      ? ProxyForScheme(c->proxyName, secure ? "https" : "http")
                      : std::string();
    // WinHTTP's own defaults until SetTimeouts and SetOption say otherwise.
    setup.connectTimeout = std::chrono::milliseconds(60000);
    setup.idleTimeout = std::chrono::milliseconds(30000);
    setup.cookieEngine = true;
    setup.followRedirects = true;
    setup.pumpMessagesWhileWaiting = true;
    setup.caFile = options_.caFile;
    return request;
}

bool CurlWinHttp::SetTimeouts(Handle request, int resolveMs, int connectMs, int sendMs,
                              int receiveMs) {
    Request* r = AsRequest(request);
    if (r == nullptr || r->transfer || resolveMs < -1 || connectMs < -1 || sendMs < -1 ||
        receiveMs < -1) {
        return false;
    }
    r->setup.connectTimeout = Limit(connectMs);
    r->setup.idleTimeout = std::max(Limit(sendMs), Limit(receiveMs));
    const std::chrono::milliseconds longest =
        std::max({Limit(resolveMs), Limit(connectMs), Limit(sendMs), Limit(receiveMs)});
    r->setup.totalTimeout = longest * TotalTimeoutFactor;
    return true;
}

bool CurlWinHttp::SetCredentials(Handle request, int target, int scheme, std::string_view user,
                                 std::string_view password) {
    Request* r = AsRequest(request);
    if (r == nullptr || r->transfer || scheme != winhttp::AuthSchemeBasic) return false;
    if (target == winhttp::AuthTargetServer) {
        r->setup.user = user;
        r->setup.password = password;
    } else if (target == winhttp::AuthTargetProxy) {
        r->setup.proxyUser = user;
        r->setup.proxyPassword = password;
    } else {
        return false;
    }
    return true;
}

bool CurlWinHttp::SetOption(Handle request, int option, std::uint32_t value) {
    Request* r = AsRequest(request);
    if (r == nullptr || r->transfer) return false;
    if (option == winhttp::OptionDisableFeature) {
        if ((value & winhttp::DisableCookies) != 0) r->setup.cookieEngine = false;
        if ((value & winhttp::DisableRedirects) != 0) r->setup.followRedirects = false;
        return true;
    }
    // Enabling SSL revocation checking: libcurl over OpenSSL checks no revocation lists
    // unless given one, so the request goes ahead as it is.
    if (option == winhttp::OptionEnableFeature) return value == winhttp::EnableSslRevocation;
    return false;
}

bool CurlWinHttp::AddRequestHeaders(Handle request, std::string_view headers,
                                    unsigned /*modifiers*/) {
    Request* r = AsRequest(request);
    if (r == nullptr || r->transfer) return false;
    // A line that is no header, or one that would smuggle a line break, refuses the block.
    std::vector<std::string> lines;
    if (!SplitHeaderLines(headers, lines)) return false;
    r->setup.headers.insert(r->setup.headers.end(), lines.begin(), lines.end());
    return true;
}

bool CurlWinHttp::SendRequest(Handle request, std::string_view body) {
    Request* r = AsRequest(request);
    if (r == nullptr || r->transfer) return false;
    r->setup.body = body;
    r->setup.hasBody = !body.empty();
    r->transfer = std::make_unique<CurlTransfer>(r->setup);
    return r->transfer->Send();
}

bool CurlWinHttp::ReceiveResponse(Handle request) {
    Request* r = AsRequest(request);
    if (r == nullptr || !r->transfer || r->received) return false;
    r->received = r->transfer->WaitForHeaders();
    return r->received;
}

bool CurlWinHttp::QueryDataAvailable(Handle request, std::size_t& count) {
    Request* r = AsRequest(request);
    if (r == nullptr || !r->received) return false;
    count = r->transfer->WaitForData();
    return count > 0 || !r->transfer->Failed();
}

bool CurlWinHttp::ReadData(Handle request, char* buffer, std::size_t size, std::size_t& read) {
    Request* r = AsRequest(request);
    read = 0;
    if (r == nullptr || !r->received || (buffer == nullptr && size > 0)) return false;
    if (size == 0) return true;
    if (r->transfer->WaitForData() == 0) return !r->transfer->Failed();
    read = r->transfer->Read(buffer, size);
    return true;
}

bool CurlWinHttp::QueryHeaders(Handle request, int infoLevel, char* buffer, std::size_t& length) {
    const Request* r = AsRequest(request);
    if (r == nullptr || !r->received || infoLevel != winhttp::QueryRawHeadersCrlf) return false;
    return CopyWithNul(UpToNul(r->transfer->RawHeaders()), buffer, length);
}

void CurlWinHttp::CloseHandle(Handle handle) {
    delete handle;
}

WinHttpLayer& DefaultWinHttpLayer() {
    static CurlWinHttp layer;
    return layer;
}

}  // namespace quillet
