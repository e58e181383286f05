#include "web/winhttp_page_request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <utility>

#include "tests/web/recording_layers.h"
#include "tests/web/scripted_http_server.h"
#include "text/code_pages.h"
#include "web/message_pump.h"

namespace quillet {
namespace {

using test::HttpReply;
using test::RecordingWinHttp;
using test::ScriptedHttpServer;
using test::ScriptedReply;

constexpr const char* DefaultLines =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n"
    "Cache-Control: no-cache\r\n";

std::string Ok(const std::string& body, const std::string& headerLines = {}) {
    return HttpReply("HTTP/1.1 200 OK", headerLines, body);
}

class WinHttpPageRequestTest : public testing::Test {
  protected:
    CurlWinHttp real_;
    RecordingWinHttp layer_{real_};
};

TEST_F(WinHttpPageRequestTest, DefaultedCallSendsExactRequest) {
    ScriptedHttpServer server(Ok("hello"));
    EXPECT_EQ(WinHttpPageRequest(layer_, server.Url("/a/b?x=1&y=2")), "hello");
    EXPECT_EQ(server.Request(), "GET /a/b?x=1&y=2 HTTP/1.1\r\nHost: 127.0.0.1:" +
                                    std::to_string(server.Port()) + "\r\n" + DefaultLines + "\r\n");
    EXPECT_EQ(layer_.Call("Open"), "Open 1 ");
    EXPECT_EQ(layer_.Call("OpenRequest"), "OpenRequest GET /a/b?x=1&y=2 00000000");
    EXPECT_EQ(layer_.Call("SetTimeouts"), "SetTimeouts 30000 30000 30000 30000");
    EXPECT_EQ(layer_.Calls("SetOption"), std::vector<std::string>{"SetOption 63 1"});
    EXPECT_EQ(layer_.Call("SetCredentials"), "");
    EXPECT_EQ(layer_.Call("AddRequestHeaders"),
              std::string("AddRequestHeaders A0000000 ") + DefaultLines);
    EXPECT_EQ(layer_.closed, (std::vector<std::string>{"request", "connection", "session"}));
}

TEST_F(WinHttpPageRequestTest, DeliversReplyOutputs) {
    ScriptedHttpServer server(Ok("body", "X-One: 1\r\n"));
    Text status, headers, location = "kept";
    Bytes bytes;
    EXPECT_EQ(WinHttpPageRequest(layer_, server.Url(),
                                 {.responseHeaders = &headers,
                                  .location = &location,
                                  .statusText = &status,
                                  .bodyBytes = &bytes}),
              "body");
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(headers,
              "HTTP/1.1 200 OK\r\nX-One: 1\r\nContent-Length: 4\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(location, "kept");
    EXPECT_EQ(bytes, "body");
}

struct HeaderCase {
    const char* name;
    Text extraHeaders;
    std::optional<Text> cookies;
    Text block;  // what goes to AddRequestHeaders
};

class HeaderBlockCases : public WinHttpPageRequestTest,
                         public testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderBlockCases, BuildsBlock) {
    const HeaderCase& c = GetParam();
    ScriptedHttpServer server(Ok(""));
    Text cookies = c.cookies.value_or("");
    WinHttpPageRequest(layer_, server.Url(),
                       {.cookies = c.cookies ? &cookies : nullptr, .extraHeaders = c.extraHeaders});
    EXPECT_EQ(layer_.Call("AddRequestHeaders"), "AddRequestHeaders A0000000 " + c.block);
    // What reaches the server is that block, line for line, after the Host line.
    const std::string request = server.Request();
    const std::size_t start = request.find("\r\n", request.find("Host: ")) + 2;
    EXPECT_EQ(request.substr(start, request.size() - start - 2), c.block);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeaderBlockCases,
    testing::Values(
        HeaderCase{"SmallLetterUserAgentSuppresses", "user-agent: X", std::nullopt,
                   "user-agent: X\r\n"
                   "Accept: text/html, application/xhtml+xml, */*\r\n"
                   "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n"
                   "Content-Type: application/x-www-form-urlencoded\r\n"
                   "Cache-Control: no-cache\r\n"},
        HeaderCase{"SmallLetterContentTypeDoesNot", "content-type: text/plain", std::nullopt,
                   "content-type: text/plain\r\n"
                   "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                   "Trident/5.0)\r\n"
                   "Accept: text/html, application/xhtml+xml, */*\r\n"
                   "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n"
                   "Content-Type: application/x-www-form-urlencoded\r\n"
                   "Cache-Control: no-cache\r\n"},
        // The test text may occur anywhere, not only at a line start.
        HeaderCase{"TestTextInsideAnotherLine", "X-Accept: y\r\nX-Cache-Control: z", std::nullopt,
                   "X-Accept: y\r\nX-Cache-Control: z\r\n"
                   "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                   "Trident/5.0)\r\n"
                   "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n"
                   "Content-Type: application/x-www-form-urlencoded\r\n"},
        HeaderCase{"CookiesLast", "", Text("a=1; b=2"),
                   std::string(DefaultLines) + "Cookie: a=1; b=2\r\n"},
        HeaderCase{"CallerCookieLineWins", "cookie: c=3", Text("a=1"),
                   "cookie: c=3\r\n"
                   "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
                   "Trident/5.0)\r\n"
                   "Accept: text/html, application/xhtml+xml, */*\r\n"
                   "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n"
                   "Content-Type: application/x-www-form-urlencoded\r\n"
                   "Cache-Control: no-cache\r\n"},
        HeaderCase{"EmptyCookiesNoLine", "", Text(""), DefaultLines}),
    [](const auto& row) { return row.param.name; });

TEST_F(WinHttpPageRequestTest, CookiesSuppliedKeepCookieEngineAndMerge) {
    ScriptedHttpServer server(Ok("", "Set-Cookie: b=2; path=/\r\n"));
    Text cookies;  // supplied, empty
    Text received;
    WinHttpPageRequest(layer_, server.Url(), {.cookies = &cookies, .receivedCookies = &received});
    EXPECT_EQ(layer_.Calls("SetOption"), std::vector<std::string>{"SetOption 79 1"});
    EXPECT_EQ(cookies, "b=2");
    EXPECT_EQ(received, "b=2");
}

struct MethodCase {
    const char* name;
    int method;
    Text postData;
    std::string requestStart;
};

class MethodCases : public WinHttpPageRequestTest,
                    public testing::WithParamInterface<MethodCase> {};

TEST_P(MethodCases, MapsMethod) {
    const MethodCase& c = GetParam();
    ScriptedHttpServer server(Ok(c.method == 2 ? "" : "r"));
    WinHttpPageRequest(layer_, server.Url("/m"), {.method = c.method, .postData = c.postData});
    const std::string request = server.Request();
    EXPECT_EQ(request.substr(0, c.requestStart.size()), c.requestStart);
    if (!c.postData.empty()) {
        EXPECT_EQ(request.substr(request.size() - c.postData.size()), c.postData);
        EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(c.postData.size())),
                  std::string::npos);
    } else {
        EXPECT_EQ(request.substr(request.size() - 4), "\r\n\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MethodCases,
                         testing::Values(MethodCase{"Get", 0, "", "GET /m "},
                                         MethodCase{"Post", 1, "a=1&b=\xD6\xD0", "POST /m "},
                                         MethodCase{"Head", 2, "", "HEAD /m "},
                                         MethodCase{"Put", 3, "x", "PUT /m "},
                                         MethodCase{"SevenIsGet", 7, "", "GET /m "},
                                         MethodCase{"MinusOneIsGet", -1, "", "GET /m "},
                                         MethodCase{"GetCarriesBody", 0, "q=1", "GET /m "}),
                         [](const auto& row) { return row.param.name; });

class TimeoutCases : public WinHttpPageRequestTest,
                     public testing::WithParamInterface<std::pair<int, std::string>> {};

TEST_P(TimeoutCases, UsesOneValueForAllPhases) {
    ScriptedHttpServer server(Ok(""));
    WinHttpPageRequest(layer_, server.Url(), {.timeoutSeconds = GetParam().first});
    const std::string& t = GetParam().second;
    EXPECT_EQ(layer_.Call("SetTimeouts"), "SetTimeouts " + t + " " + t + " " + t + " " + t);
}

INSTANTIATE_TEST_SUITE_P(Table, TimeoutCases,
                         testing::Values(std::pair{-1, "30000"}, std::pair{0, "30000"},
                                         std::pair{5, "5000"}));

TEST_F(WinHttpPageRequestTest, PlainAddressGoesThroughProxyWithCredentials) {
    ScriptedHttpServer proxy(Ok("via proxy"));
    const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
    EXPECT_EQ(WinHttpPageRequest(layer_, "http://quillet.test/p?q=1",
                                 {.proxy = proxyAddress, .proxyUser = "pu", .proxyPassword = "pp"}),
              "via proxy");
    EXPECT_EQ(layer_.Call("Open"), "Open 3 http=" + proxyAddress);
    EXPECT_EQ(layer_.Call("SetCredentials"), "SetCredentials 1 1 pu pp");
    const std::string request = proxy.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET http://quillet.test/p?q=1 HTTP/1.1");
    EXPECT_NE(request.find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);
}

TEST_F(WinHttpPageRequestTest, SecureAddressTunnelsThroughBareProxy) {
    ScriptedHttpServer proxy(HttpReply("HTTP/1.1 403 Forbidden", "", ""));
    const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
    Text status;
    EXPECT_EQ(
        WinHttpPageRequest(layer_, "https://quillet.test/s",
                           {.proxy = proxyAddress, .timeoutSeconds = 5, .statusText = &status}),
        "");
    EXPECT_EQ(layer_.Call("Open"), "Open 3 " + proxyAddress);
    EXPECT_EQ(proxy.Request().substr(0, 33), "CONNECT quillet.test:443 HTTP/1.1");
    EXPECT_EQ(status, winhttp_error::Send);
}

TEST_F(WinHttpPageRequestTest, ServerBasicCredentialsNeedBothParts) {
    ScriptedHttpServer server(Ok(""));
    WinHttpPageRequest(layer_, server.Url(), {.userName = "user", .password = "pass"});
    EXPECT_EQ(layer_.Call("SetCredentials"), "SetCredentials 0 1 user pass");
    EXPECT_NE(server.Request().find("\r\nAuthorization: Basic dXNlcjpwYXNz\r\n"),
              std::string::npos);

    RecordingWinHttp userOnly(real_);
    WinHttpPageRequest(userOnly, server.Url(), {.userName = "user"});
    EXPECT_EQ(userOnly.Call("SetCredentials"), "");
    EXPECT_EQ(server.Request(1).find("Authorization"), std::string::npos);
}

TEST_F(WinHttpPageRequestTest, SetCookieInAnyCaseIsNormalisedAndExtracted) {
    ScriptedHttpServer server(Ok("", "set-cookie: a=1; path=/\r\nSET-COOKIE: b=2\r\n"));
    Text received, headers;
    WinHttpPageRequest(layer_, server.Url(),
                       {.receivedCookies = &received, .responseHeaders = &headers});
    EXPECT_EQ(received, "a=1; b=2");
    EXPECT_NE(headers.find("\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"),
              std::string::npos);

    // Without Set-Cookie lines the caller's text stays as it was.
    ScriptedHttpServer plain(Ok(""));
    Text kept = "x=1";
    WinHttpPageRequest(plain.Url(), {.receivedCookies = &kept});
    EXPECT_EQ(kept, "x=1");
}

TEST_F(WinHttpPageRequestTest, ReceivedCookiesAppendAndMergeIntoJar) {
    ScriptedHttpServer server(Ok("", "Set-Cookie: a=1; path=/\r\nSet-Cookie: gone=deleted\r\n"));
    Text jar = "gone=7; a=0; z=9";
    Text received = "x = 1";
    WinHttpPageRequest(layer_, server.Url(), {.cookies = &jar, .receivedCookies = &received});
    EXPECT_NE(server.Request().find("\r\nCookie: gone=7; a=0; z=9\r\n"), std::string::npos);
    EXPECT_EQ(jar, "x=1; a=1; z=9");
    EXPECT_EQ(received, "x=1;a=1;gone=deleted");
}

TEST_F(WinHttpPageRequestTest, LaterLocationWinsAndStatusTextOfRedirect) {
    ScriptedHttpServer server(HttpReply("HTTP/1.1 302 Found",
                                        "Location: /first\r\nlocation: /second\r\n"
                                        "Location:/no-space\r\n",
                                        "moved"));
    Text location, status;
    EXPECT_EQ(
        WinHttpPageRequest(layer_, server.Url(),
                           {.noRedirect = true, .location = &location, .statusText = &status}),
        "moved");
    EXPECT_EQ(location, "/second");
    EXPECT_EQ(status, "302 Found");
    EXPECT_EQ(layer_.Calls("SetOption"),
              (std::vector<std::string>{"SetOption 63 1", "SetOption 63 2"}));
}

TEST_F(WinHttpPageRequestTest, RedirectsFollowedByDefault) {
    ScriptedHttpServer target(Ok("arrived"));
    ScriptedHttpServer server(
        HttpReply("HTTP/1.1 302 Found", "Location: " + target.Url("/t") + "\r\n", ""));
    Text status, headers;
    EXPECT_EQ(WinHttpPageRequest(layer_, server.Url(),
                                 {.responseHeaders = &headers, .statusText = &status}),
              "arrived");
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
}

// The library's own cookie handling lives for one call: it carries a cookie set on a redirect
// to the followed request when the caller supplied cookies, and is off when not.
TEST_F(WinHttpPageRequestTest, CookieEngineOnlyWhenCookiesSupplied) {
    ScriptedHttpServer target(Ok("arrived"));
    ScriptedHttpServer server(HttpReply(
        "HTTP/1.1 302 Found", "Set-Cookie: s=1\r\nLocation: " + target.Url("/t") + "\r\n", ""));
    Text jar;
    EXPECT_EQ(WinHttpPageRequest(layer_, server.Url(), {.cookies = &jar}), "arrived");
    EXPECT_NE(target.Request(0).find("\r\nCookie: s=1\r\n"), std::string::npos);

    EXPECT_EQ(WinHttpPageRequest(layer_, server.Url()), "arrived");
    EXPECT_EQ(target.Request(1).find("Cookie"), std::string::npos);
}

TEST_F(WinHttpPageRequestTest, TextEndsAtFirstZeroByte) {
    std::string body(200, 'x');
    body[100] = '\0';
    ScriptedHttpServer server(Ok(body));
    Bytes bytes;
    const Text text = WinHttpPageRequest(layer_, server.Url(), {.bodyBytes = &bytes});
    EXPECT_EQ(text, std::string(100, 'x'));
    EXPECT_EQ(bytes, body);
}

struct CharsetCase {
    const char* name;
    std::string body;  // reply bytes
    Text text;         // expected result
};

class CharsetCases : public testing::TestWithParam<CharsetCase> {};

const std::string Utf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8
const std::string GbkChinese = "\xD6\xD0\xCE\xC4";           // 中文 in GBK

TEST_P(CharsetCases, RedecodesDeclaredCharset) {
    ScriptedHttpServer server(Ok(GetParam().body));
    EXPECT_EQ(WinHttpPageRequest(server.Url()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CharsetCases,
    testing::Values(
        CharsetCase{
            "Utf8Declared",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + Utf8Chinese,
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + GbkChinese},
        CharsetCase{"QuotedCharset", "<META charset=\"UTF-8\">" + Utf8Chinese,
                    "<META charset=\"UTF-8\">" + GbkChinese},
        CharsetCase{"DeclaredAfterFirst1024Bytes",
                    std::string(1030, ' ') + "<meta charset=utf-8>" + Utf8Chinese,
                    std::string(1030, ' ') + "<meta charset=utf-8>" + Utf8Chinese},
        CharsetCase{"GbkNotRedecoded", "<meta charset=gbk>\x81\x20" + GbkChinese,
                    "<meta charset=gbk>\x81\x20" + GbkChinese},
        CharsetCase{"Gb2312NotRedecoded", "<meta charset=gb2312>\x81\x20",
                    "<meta charset=gb2312>\x81\x20"},
        // Only the small-letter names are let through: GBK in capitals is decoded again, which
        // shows in the byte that is no GBK character.
        CharsetCase{"GbkInCapitalsRedecoded", "<meta charset=GBK>\x81\x20" + GbkChinese,
                    "<meta charset=GBK>? " + GbkChinese},
        CharsetCase{"UnknownCharsetLeavesText", "<meta charset=x-no-such-set>\x81\x20",
                    "<meta charset=x-no-such-set>\x81\x20"},
        CharsetCase{"NoMetaTag", "charset=utf-8 " + Utf8Chinese, "charset=utf-8 " + Utf8Chinese},
        CharsetCase{"ZeroByteEndsDecodedText", "<meta charset=utf-8>a" + std::string(1, '\0') + "b",
                    "<meta charset=utf-8>a"}),
    [](const auto& row) { return row.param.name; });

TEST_F(WinHttpPageRequestTest, CutOffBodyGivesWhatArrived) {
    ScriptedHttpServer server(
        "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
        std::string(500, 'p'));
    Text status;
    Bytes bytes;
    EXPECT_EQ(
        WinHttpPageRequest(layer_, server.Url(), {.statusText = &status, .bodyBytes = &bytes}),
        std::string(500, 'p'));
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(bytes.size(), 500u);
}

TEST_F(WinHttpPageRequestTest, ReadFailureAfterPartKeepsPartAndStatus) {
    // The body comes in two pieces; the read of the second fails.
    ScriptedHttpServer server(std::vector<ScriptedReply>{
        {.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\nfirst",
         .pause = std::chrono::milliseconds(300),
         .rest = "second"}});
    layer_.failing = {"ReadData"};
    layer_.readsBeforeFailing = 1;
    Text status;
    Bytes bytes;
    const Text text =
        WinHttpPageRequest(layer_, server.Url(), {.statusText = &status, .bodyBytes = &bytes});
    EXPECT_EQ(text, "first");
    EXPECT_EQ(bytes, "first");
    EXPECT_EQ(status, "200 OK");
}

std::atomic<int> pumped{0};
void CountPump() {
    ++pumped;
}

TEST_F(WinHttpPageRequestTest, PumpsMessagesAtStagesLinesAndWhileWaiting) {
    SetMessagePump(&CountPump);
    const std::string reply = Ok("x", "A: 1\r\nB: 2\r\nC: 3\r\n");
    ScriptedHttpServer quick(reply);
    pumped = 0;
    WinHttpPageRequest(quick.Url());
    const int atStages = pumped;
    // Five header lines, the status line and the empty one each get a turn, besides the stages.
    EXPECT_GE(atStages, 7 + 14);

    ScriptedHttpServer slow(
        std::vector<ScriptedReply>{{.bytes = reply, .delay = std::chrono::milliseconds(600)}});
    pumped = 0;
    WinHttpPageRequest(slow.Url());
    EXPECT_GE(pumped, atStages + 5);
    SetMessagePump(nullptr);
}

// A handler run by the pump may start a second request; it runs to its end inside the first,
// and both get their own replies.
std::string nestedUrl;
Text nestedText;
void NestedRequestPump() {
    if (nestedUrl.empty()) return;
    const std::string url = std::exchange(nestedUrl, {});
    nestedText = WinHttpPageRequest(url);
}

TEST_F(WinHttpPageRequestTest, RequestStartedFromPumpRunsInsideFirst) {
    ScriptedHttpServer outer(std::vector<ScriptedReply>{
        {.bytes = Ok("outer"), .delay = std::chrono::milliseconds(300)}});
    ScriptedHttpServer inner(Ok("inner"));
    nestedUrl = inner.Url();
    nestedText.clear();
    SetMessagePump(&NestedRequestPump);
    EXPECT_EQ(WinHttpPageRequest(layer_, outer.Url()), "outer");
    SetMessagePump(nullptr);
    EXPECT_EQ(nestedText, "inner");
    EXPECT_EQ(layer_.closed, (std::vector<std::string>{"request", "connection", "session"}));
}

}  // namespace
}  // namespace quillet
