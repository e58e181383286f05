#include "web/wininet_page_request.h"

#include "text/text_extraction.h"
#include "text/text_primitives.h"
#include "web/cookie_merge.h"
#include "web/http_address.h"
#include "web/open_handles.h"
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

    OpenHandles<WinInetLayer> handles(layer);
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

    // A failed read (the layer's time limits included) or a body beyond the cap drops the
    // body.
    Bytes body;
    char buffer[1024];
    for (;;) {
        std::size_t read = 0;
        if (!layer.ReadFile(request, buffer, sizeof buffer, read)) {
            Bytes().swap(body);
            break;
        }
        if (read == 0) break;
        if (body.size() + read > MaxPageBodyBytes) {
            Bytes().swap(body);
            break;
        }
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

    Text received = SetCookieValues(headers).value_or(Text());
    if (args.cookies != nullptr) received = MergeCookies(*args.cookies, received);
    if (args.responseHeaders != nullptr) *args.responseHeaders = std::move(headers);
    if (args.receivedCookies != nullptr) *args.receivedCookies = std::move(received);
    return body;
}

Text FetchPageText(std::string_view url, std::string_view proxy) {
    return FetchPageText(DefaultWinInetLayer(), url, proxy);
}

Text FetchPageText(WinInetLayer& layer, std::string_view url, std::string_view proxy) {
    Bytes body = WinInetPageRequest(layer, url, {.proxy = Text(proxy)});
    body.resize(UpToNul(body).size());
    return body;
}

Text HeaderValue(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return Text();
    return TrimSpaces(text.substr(colon + 1));
}

}  // namespace quillet
