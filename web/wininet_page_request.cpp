#include "web/wininet_page_request.h"

#include "text/text_extraction.h"
#include "text/text_primitives.h"
#include "web/cookie_merge.h"
#include "web/spaces.h"
#include "web/url_parts.h"

namespace quillet {
namespace {

constexpr std::string_view Crlf = "\r\n";
constexpr std::string_view DefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::size_t HeaderBufferBytes = 5000;

// The caller's header lines completed with the defaults; never ends with CR LF.
void CompleteHeaderBlock(Text& block, std::string_view url, const Text* cookies) {
    if (block.empty()) {
        block = "Accept: */*";
    } else if (FindText(block, "Accept:") == -1) {
        block += Crlf;
        block += "Accept: */*";
    }
    if (FindText(block, "Referer:") == -1) {
        block += Crlf;
        block += "Referer: ";
        block += url;
    }
    if (FindText(block, "Accept-Language:") == -1) {
        block += Crlf;
        block += "Accept-Language: zh-cn";
    }
    if (FindText(block, "Content-Type:") == -1) {
        block += Crlf;
        block += "Content-Type: application/x-www-form-urlencoded";
    }
    if (cookies != nullptr && !cookies->empty()) {
        block += Crlf;
        if (FindText(*cookies, "Cookie:") == -1) block += "Cookie: ";
        block += *cookies;
    }
}

Text Agent(std::string_view extraHeaders) {
    if (FindText(extraHeaders, "User-Agent:", 1, true) == -1) return Text(DefaultAgent);
    Text agent = TrimSpaces(TextBetween(Text(extraHeaders) + "\r\n", "User-Agent:", "\r\n"));
    if (agent.empty()) agent = HeaderValue(extraHeaders);
    return agent;
}

Text ReceivedCookies(std::string_view headers) {
    Text cookies;
    std::size_t pos = 0;
    while (pos < headers.size()) {
        const std::size_t end = headers.find(Crlf, pos);
        const std::string_view line = headers.substr(pos, end - pos);
        pos = end == std::string_view::npos ? headers.size() : end + Crlf.size();
        if (line.find("Set-Cookie") == std::string_view::npos) continue;
        const Text value = line.find(';') == std::string_view::npos
                               ? ReplaceText(line, "Set-Cookie:", {})
                               : TextBetween(line, "Set-Cookie:", ";");
        cookies += TrimSpaces(value);
        cookies += "; ";
    }
    cookies.resize(cookies.size() >= 2 ? cookies.size() - 2 : 0);
    return cookies;
}

// Closes the handles of one call in reverse order of opening.
class OpenHandles {
  public:
    explicit OpenHandles(WinInetLayer& layer) : layer_(layer) {}
    ~OpenHandles() { CloseAll(); }
    OpenHandles(const OpenHandles&) = delete;
    OpenHandles& operator=(const OpenHandles&) = delete;

    WinInetLayer::Handle Keep(WinInetLayer::Handle handle) {
        if (handle != nullptr) handles_.push_back(handle);
        return handle;
    }
    void CloseAll() {
        while (!handles_.empty()) {
            layer_.CloseHandle(handles_.back());
            handles_.pop_back();
        }
    }

  private:
    WinInetLayer& layer_;
    std::vector<WinInetLayer::Handle> handles_;
};

}  // namespace

Bytes WinInetPageRequest(std::string_view url, const WinInetRequestArgs& args) {
    return WinInetPageRequest(DefaultWinInetLayer(), url, args);
}

Bytes WinInetPageRequest(WinInetLayer& layer, std::string_view url,
                         const WinInetRequestArgs& args) {
    const int method = args.method < 0 || args.method > 2 ? 0 : args.method;
    static constexpr const char* Verbs[] = {"GET", "POST", "HEAD"};
    const Text callerHeaders = args.extraHeaders != nullptr ? *args.extraHeaders : Text();
    const bool secure = FindText(MidText(url, 1, 8), "https://", 1, true) == 1;

    OpenHandles handles(layer);
    const Text agent = Agent(callerHeaders);
    const WinInetLayer::Handle internet =
        args.proxy.empty() ? handles.Keep(layer.Open(agent, wininet::OpenTypeDirect, {}))
                           : handles.Keep(layer.Open(agent, wininet::OpenTypeProxy,
                                                     secure ? args.proxy : "http=" + args.proxy));
    if (internet == nullptr) return Bytes();
    const WinInetLayer::Handle connection =
        handles.Keep(layer.Connect(internet, UrlHost(url), UrlPort(url), wininet::ServiceHttp));
    if (connection == nullptr) return Bytes();

    unsigned flags = wininet::FlagReload | wininet::FlagNeedFile;
    if (args.cookies != nullptr) flags |= wininet::FlagNoCookies;
    if (args.noRedirect) flags |= wininet::FlagNoAutoRedirect;
    flags |= secure ? wininet::FlagSecure : wininet::FlagIgnoreRedirectToHttps;
    const WinInetLayer::Handle request =
        handles.Keep(layer.OpenRequest(connection, Verbs[method], UrlPath(url), "HTTP/1.1", flags));
    if (request == nullptr) return Bytes();

    Text block = callerHeaders;
    CompleteHeaderBlock(block, url, args.cookies);
    if (args.extraHeaders != nullptr) *args.extraHeaders = block;

    if (method == 0) {
        layer.SendRequest(request, block, {});
    } else {
        Bytes localBody;
        Bytes& postBytes = args.postBytes != nullptr ? *args.postBytes : localBody;
        if (postBytes.empty()) postBytes = args.postData;
        layer.SendRequest(request, block, postBytes);
    }

    Bytes body;
    char buffer[1024];
    for (;;) {
        std::size_t read = 0;
        layer.ReadFile(request, buffer, sizeof buffer, read);
        if (read == 0) break;
        body.append(buffer, std::min(read, sizeof buffer));
    }

    Text headers(HeaderBufferBytes, ' ');
    std::size_t length = HeaderBufferBytes;
    if (layer.QueryInfo(request, wininet::QueryRawHeadersCrlf, headers.data(), length)) {
        headers.resize(UpToNul(headers).size());
    } else {
        headers.assign(HeaderBufferBytes, ' ');
    }
    headers = ReplaceText(headers, "Set-Cookie", "Set-Cookie");
    handles.CloseAll();

    Text received = ReceivedCookies(headers);
    if (args.cookies != nullptr) received = MergeCookies(*args.cookies, received);
    if (args.responseHeaders != nullptr) *args.responseHeaders = std::move(headers);
    if (args.receivedCookies != nullptr) *args.receivedCookies = std::move(received);
    return body;
}

Text FetchPageText(std::string_view url) {
    return FetchPageText(DefaultWinInetLayer(), url);
}

Text FetchPageText(WinInetLayer& layer, std::string_view url) {
    Bytes body = WinInetPageRequest(layer, url);
    body.resize(UpToNul(body).size());
    return body;
}

Text HeaderValue(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return Text();
    return TrimSpaces(text.substr(colon + 1));
}

}  // namespace quillet
