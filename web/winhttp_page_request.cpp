#include "web/winhttp_page_request.h"

#include <chrono>
#include <vector>

#include "text/com_apartment.h"
#include "text/pattern_object.h"
#include "text/text_extraction.h"
#include "text/text_primitives.h"
#include "web/charset_decode.h"
#include "web/cookie_merge.h"
#include "web/http_address.h"
#include "web/message_pump.h"
#include "web/open_handles.h"
#include "web/spaces.h"

namespace quillet {
namespace {

constexpr std::string_view Crlf = "\r\n";
constexpr std::string_view CharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr TextPos CharsetScanBytes = 1024;

struct DefaultHeader {
    std::string_view test;
    bool ignoreCase;
    std::string_view line;
};

constexpr DefaultHeader DefaultHeaders[] = {
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded"},
    {"Cache-Control: ", true, "Cache-Control: no-cache"},
};

const char* Verb(int method) {
    switch (method) {
        case 1:
            return "POST";
        case 2:
            return "HEAD";
        case 3:
            return "PUT";
        default:
            return "GET";
    }
}

// The header block: the caller's lines, then each default line its test text is missing from.
Text HeaderBlock(const WinHttpRequestArgs& args) {
    Text block = args.extraHeaders;
    if (!block.empty()) block += Crlf;
    for (const DefaultHeader& header : DefaultHeaders) {
        if (FindText(block, header.test, 1, header.ignoreCase) == -1) {
            block += header.line;
            block += Crlf;
        }
    }
    if (args.cookies != nullptr && !args.cookies->empty() &&
        FindText(block, "Cookie: ", 1, true) == -1) {
        block += "Cookie: ";
        block += *args.cookies;
        block += Crlf;
    }
    return block;
}

// The reply headers walked line by line for the Location (the last one wins).
void FindLocation(std::string_view headers, Text* location) {
    std::size_t pos = 0;
    while (pos < headers.size()) {
        const std::size_t end = headers.find(Crlf, pos);
        const std::string_view line = headers.substr(pos, end - pos);
        pos = end == std::string_view::npos ? headers.size() : end + Crlf.size();
        if (location != nullptr && line.size() >= 10 &&
            FindText(line.substr(0, 10), "Location: ", 1, true) == 1) {
            *location = Text(line.substr(10));
        }
        PumpMessages();
    }
}

// The body as text: up to its first zero byte, or decoded whole from the charset its meta tag
// names within the first 1024 bytes (other than gbk and gb2312). `body` is left intact when
// `keepBody`; otherwise its bytes may be moved into the text, which saves a copy of a large
// body on the common path.
Text BodyText(Bytes& body, bool keepBody, PatternObject& pattern) {
    const std::string_view plain = UpToNul(body);
    std::optional<Text> decoded;
    ComInitialize();
    if (pattern.Create(CharsetPattern, MidText(plain, 1, CharsetScanBytes))) {
        const Text charset = pattern.SubMatchText(1, 1);
        if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
            decoded = DecodeCharsetToGbk(body, charset);
        }
        PumpMessages();
    }
    ComUninitialize();
    PumpMessages();
    if (decoded) return std::move(*decoded);
    if (keepBody) return Text(plain);
    const std::size_t length = plain.size();
    Text text = std::move(body);
    text.resize(length);
    return text;
}

}  // namespace

Text WinHttpPageRequest(std::string_view url, const WinHttpRequestArgs& args) {
    return WinHttpPageRequest(DefaultWinHttpLayer(), url, args);
}

Text WinHttpPageRequest(WinHttpLayer& layer, std::string_view url, const WinHttpRequestArgs& args) {
    const auto started = std::chrono::steady_clock::now();
    PatternObject pattern;
    Text status;
    // The status text reaches the caller on every way out.
    struct StatusWriter {
        const Text& status;
        Text* out;
        bool written = false;
        ~StatusWriter() {
            if (out != nullptr && written) *out = status;
        }
    } writer{status, args.statusText};
    auto fail = [&](std::string_view error) {
        status = error;
        writer.written = true;
        PumpMessages();
        return Text();
    };
    OpenHandles<WinHttpLayer> handles(layer);

    if (!layer.CheckPlatform()) return fail(winhttp_error::NoPlatform);
    PumpMessages();

    WinHttpLayer::UrlComponents parts;
    if (!layer.CrackUrl(url, parts)) return fail(winhttp_error::BadUrl);
    const bool secure = parts.scheme == winhttp::SchemeHttps;
    const Text objectName = parts.path.empty() ? Text("/") : parts.path + parts.extraInfo;
    PumpMessages();

    const int accessType = args.proxy.empty() ? winhttp::AccessNoProxy : winhttp::AccessNamedProxy;
    const Text proxyName = args.proxy.empty() ? Text() : secure ? args.proxy : "http=" + args.proxy;
    const WinHttpLayer::Handle session = handles.Keep(layer.Open(accessType, proxyName));
    if (session == nullptr) return fail(winhttp_error::NoSession);
    PumpMessages();

    const WinHttpLayer::Handle connection =
        handles.Keep(layer.Connect(session, parts.host, parts.port));
    if (connection == nullptr) return fail(winhttp_error::NoConnection);
    PumpMessages();

    const WinHttpLayer::Handle request = handles.Keep(layer.OpenRequest(
        connection, Verb(args.method), objectName, secure ? winhttp::FlagSecure : 0));
    if (request == nullptr) return fail(winhttp_error::NoRequest);
    PumpMessages();

    // Seconds beyond what fits in milliseconds are held at the largest value.
    const int timeoutMs = args.timeoutSeconds <= 0                 ? 30000
                          : args.timeoutSeconds > INT32_MAX / 1000 ? INT32_MAX
                                                                   : args.timeoutSeconds * 1000;
    if (!layer.SetTimeouts(request, timeoutMs, timeoutMs, timeoutMs, timeoutMs)) {
        return fail(winhttp_error::Timeouts);
    }
    PumpMessages();

    if (!args.userName.empty() && !args.password.empty()) {
        if (!layer.SetCredentials(request, winhttp::AuthTargetServer, winhttp::AuthSchemeBasic,
                                  args.userName, args.password)) {
            return fail(winhttp_error::ServerCredentials);
        }
        PumpMessages();
    }
    if (!args.proxyUser.empty() && !args.proxyPassword.empty()) {
        if (!layer.SetCredentials(request, winhttp::AuthTargetProxy, winhttp::AuthSchemeBasic,
                                  args.proxyUser, args.proxyPassword)) {
            return fail(winhttp_error::ProxyCredentials);
        }
        PumpMessages();
    }

    const bool cookieOption =
        args.cookies != nullptr
            ? layer.SetOption(request, winhttp::OptionEnableFeature, winhttp::EnableSslRevocation)
            : layer.SetOption(request, winhttp::OptionDisableFeature, winhttp::DisableCookies);
    if (!cookieOption) return fail(winhttp_error::CookieOption);
    PumpMessages();

    if (args.noRedirect) {
        if (!layer.SetOption(request, winhttp::OptionDisableFeature, winhttp::DisableRedirects)) {
            return fail(winhttp_error::RedirectOption);
        }
        PumpMessages();
    }

    if (!layer.AddRequestHeaders(request, HeaderBlock(args), winhttp::AddReqFlagAddReplace)) {
        return fail(winhttp_error::Headers);
    }
    PumpMessages();

    if (!layer.SendRequest(request, args.postData)) return fail(winhttp_error::Send);
    PumpMessages();

    if (!layer.ReceiveResponse(request)) return fail(winhttp_error::NoResponse);
    PumpMessages();

    // A reply that outlasts its time or outgrows the cap fails as a read failure does, the
    // text read so far dropped.
    const auto deadline = started + std::chrono::milliseconds(timeoutMs) * TotalTimeoutFactor;
    Bytes body;
    for (;;) {
        std::size_t available = 0;
        const bool more = layer.QueryDataAvailable(request, available) && available >= 1;
        if (std::chrono::steady_clock::now() >= deadline ||
            (more && available > MaxPageBodyBytes - body.size())) {
            return fail(winhttp_error::Read);
        }
        if (!more) break;
        const std::size_t start = body.size();
        body.resize(start + available);
        std::size_t read = 0;
        if (!layer.ReadData(request, body.data() + start, available, read)) {
            body.resize(start);
            status = winhttp_error::Read;
            writer.written = true;
            break;
        }
        body.resize(start + std::min(read, available));
    }
    PumpMessages();

    std::size_t headerLength = 0;
    layer.QueryHeaders(request, winhttp::QueryRawHeadersCrlf, nullptr, headerLength);
    Text headers(headerLength, '\0');
    if (headerLength == 0 ||
        !layer.QueryHeaders(request, winhttp::QueryRawHeadersCrlf, headers.data(), headerLength)) {
        PumpMessages();
        return Text();
    }
    headers.resize(UpToNul(headers).size());
    PumpMessages();

    // "HTTP/1.1 200 OK": the status code and reason phrase start at the 10th byte.
    const std::size_t lineEnd = headers.size() >= 9 ? headers.find(Crlf, 9) : Text::npos;
    status = lineEnd == Text::npos ? Text() : headers.substr(9, lineEnd - 9);
    writer.written = true;

    headers = ReplaceText(headers, "Set-Cookie", "Set-Cookie");
    // The reply's cookies are appended to what the caller's variable already holds, after a
    // separator so that its last item and the first new one stay two items.
    Text received = args.receivedCookies != nullptr ? *args.receivedCookies : Text();
    const std::size_t heldLength = received.size();
    if (const Text held = TrimSpaces(received); !held.empty() && held.back() != ';') {
        received += "; ";
    }
    if (const std::optional<Text> values = SetCookieValues(headers)) {
        received += *values;
    } else {
        received.resize(heldLength);
    }
    FindLocation(headers, args.location);
    if (args.responseHeaders != nullptr) *args.responseHeaders = headers;
    if (args.cookies != nullptr) MergeCookies(*args.cookies, received);
    if (args.receivedCookies != nullptr) *args.receivedCookies = std::move(received);

    Text text = BodyText(body, args.bodyBytes != nullptr, pattern);
    if (args.bodyBytes != nullptr) *args.bodyBytes = std::move(body);
    return text;
}

}  // namespace quillet
