#include "web/wininet_page_request.h"

#include <gtest/gtest.h>

#include "tests/web/recording_layers.h"
#include "tests/web/scripted_http_server.h"
#include "web/message_pump.h"

namespace quillet {
namespace {

using test::HttpReply;
using test::RecordingWinInet;
using test::ScriptedHttpServer;
using test::ScriptedReply;

std::string Ok(const std::string& body, const std::string& headerLines = {}) {
    return HttpReply("HTTP/1.1 200 OK", headerLines, body);
}

// The request's header lines after the request line and Host.
std::string SentLines(const std::string& request) {
    const std::size_t host = request.find("\r\nHost: ");
    const std::size_t start = request.find("\r\n", host + 2) + 2;
    return request.substr(start, request.find("\r\n\r\n") + 2 - start);
}

class WinInetPageRequestTest : public testing::Test {
  protected:
    CurlWinInet real_{CurlLayerOptions{.idleTimeout = std::chrono::seconds(2)}};
    RecordingWinInet layer_{real_};
};

TEST_F(WinInetPageRequestTest, DefaultedCallSendsDefaults) {
    ScriptedHttpServer server(Ok("page"));
    const std::string url = server.Url("/x?y=1");
    Text headers;
    EXPECT_EQ(WinInetPageRequest(layer_, url, {.extraHeaders = &headers}), "page");
    EXPECT_EQ(headers, "Accept: */*\r\nReferer: " + url +
                           "\r\nAccept-Language: zh-cn\r\n"
                           "Content-Type: application/x-www-form-urlencoded");
    EXPECT_EQ(layer_.Call("Open"), "Open Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)|1|");
    EXPECT_EQ(layer_.Call("Connect"), "Connect 127.0.0.1 " + std::to_string(server.Port()) + " 3");
    EXPECT_EQ(layer_.Call("OpenRequest"), "OpenRequest GET /x?y=1 HTTP/1.1 80004010");
    const std::string request = server.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /x?y=1 HTTP/1.1");
    EXPECT_EQ(SentLines(request),
              "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
              "\r\n" +
                  headers + "\r\n");
    EXPECT_EQ(layer_.closed, (std::vector<std::string>{"request", "connection", "internet"}));
}

TEST_F(WinInetPageRequestTest, FlagsFollowCookiesRedirectsAndScheme) {
    ScriptedHttpServer server(Ok(""));
    Text cookies;
    WinInetPageRequest(layer_, server.Url(), {.cookies = &cookies, .noRedirect = true});
    EXPECT_EQ(layer_.Call("OpenRequest"), "OpenRequest GET / HTTP/1.1 80284010");

    RecordingWinInet secure(real_);
    WinInetPageRequest(secure, "https://127.0.0.1:1/");
    EXPECT_EQ(secure.Call("OpenRequest"), "OpenRequest GET / HTTP/1.1 80800010");
    EXPECT_EQ(secure.Call("Connect"), "Connect 127.0.0.1 1 3");
}

struct BlockCase {
    const char* name;
    Text extraHeaders;
    std::optional<Text> cookies;
    Text block;  // with "$URL" for the address
};

class WinInetHeaderCases : public WinInetPageRequestTest,
                           public testing::WithParamInterface<BlockCase> {};

TEST_P(WinInetHeaderCases, CompletesBlock) {
    const BlockCase& c = GetParam();
    ScriptedHttpServer server(Ok(""));
    const std::string url = server.Url();
    Text headers = c.extraHeaders;
    Text cookies = c.cookies.value_or("");
    WinInetPageRequest(layer_, url,
                       {.cookies = c.cookies ? &cookies : nullptr, .extraHeaders = &headers});
    Text expected = c.block;
    if (const std::size_t at = expected.find("$URL"); at != Text::npos) {
        expected.replace(at, 4, url);
    }
    EXPECT_EQ(headers, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinInetHeaderCases,
    testing::Values(
        BlockCase{"SmallLetterAcceptDoesNotSuppress", "accept: text/plain", std::nullopt,
                  "accept: text/plain\r\nAccept: */*\r\nReferer: $URL\r\n"
                  "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
        BlockCase{"CallerLinesKept", "Referer: r\r\nContent-Type: c", std::nullopt,
                  "Referer: r\r\nContent-Type: c\r\nAccept: */*\r\nAccept-Language: zh-cn"},
        BlockCase{"CookiePrefixAdded", "", Text("a=1"),
                  "Accept: */*\r\nReferer: $URL\r\nAccept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1"},
        BlockCase{"CookieLineAsGiven", "", Text("Cookie: a=1"),
                  "Accept: */*\r\nReferer: $URL\r\nAccept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1"}),
    [](const auto& row) { return row.param.name; });

TEST_F(WinInetPageRequestTest, MethodsAndBodies) {
    ScriptedHttpServer server(Ok("r"));
    Bytes postBytes;
    WinInetPageRequest(layer_, server.Url(),
                       {.method = 1, .postData = "a=1", .postBytes = &postBytes});
    EXPECT_EQ(postBytes, "a=1");
    const std::string post = server.Request(0);
    EXPECT_EQ(post.substr(0, 5), "POST ");
    EXPECT_EQ(post.substr(post.size() - 7), "\r\n\r\na=1");

    // Given bytes win over the text.
    Bytes given = std::string("\0\1", 2);
    WinInetPageRequest(layer_, server.Url(), {.method = 1, .postData = "a=1", .postBytes = &given});
    EXPECT_EQ(server.Request(1).substr(server.Request(1).size() - 2), std::string("\0\1", 2));

    for (const int method : {3, -1}) {
        WinInetPageRequest(layer_, server.Url(), {.method = method, .postData = "zzz"});
    }
    for (const std::size_t n : {2u, 3u}) {
        const std::string get = server.Request(n);
        EXPECT_EQ(get.substr(0, 4), "GET ");
        EXPECT_EQ(get.substr(get.size() - 4), "\r\n\r\n");
    }
}

TEST_F(WinInetPageRequestTest, CookiesFromReplyMergedIntoJar) {
    ScriptedHttpServer server(Ok("", "set-cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"));
    Text jar = "a=0; c=3";
    Text received = "old";
    Text headers;
    WinInetPageRequest(
        layer_, server.Url(),
        {.cookies = &jar, .receivedCookies = &received, .responseHeaders = &headers});
    EXPECT_NE(headers.find("\r\nSet-Cookie: a=1; path=/\r\n"), std::string::npos);
    EXPECT_EQ(jar, "a=1; b=2; c=3");
    EXPECT_EQ(received, "a=1; b=2; c=3");

    // Without a jar the received text is cleared first, then filled.
    Text fresh = "old";
    WinInetPageRequest(layer_, server.Url(), {.receivedCookies = &fresh});
    EXPECT_EQ(fresh, "a=1; b=2");
}

TEST_F(WinInetPageRequestTest, OversizedHeaderBlockGivesSpaces) {
    std::string lines;
    while (lines.size() < 5000) lines += "X-Filler: " + std::string(90, 'f') + "\r\n";
    ScriptedHttpServer server(Ok("body", "Set-Cookie: a=1\r\n" + lines));
    Text headers, received = "old";
    EXPECT_EQ(WinInetPageRequest(layer_, server.Url(),
                                 {.receivedCookies = &received, .responseHeaders = &headers}),
              "body");
    EXPECT_EQ(headers, std::string(5000, ' '));
    EXPECT_EQ(received, "");
}

TEST_F(WinInetPageRequestTest, UnreachableHostGivesNothing) {
    int port = 0;
    {
        ScriptedHttpServer closed("");
        port = closed.Port();
    }
    Text headers, received = "old";
    EXPECT_EQ(WinInetPageRequest(layer_, "http://127.0.0.1:" + std::to_string(port) + "/",
                                 {.receivedCookies = &received, .responseHeaders = &headers}),
              "");
    EXPECT_EQ(headers, std::string(5000, ' '));
    EXPECT_EQ(received, "");
}

TEST_F(WinInetPageRequestTest, AgentFromCallerLine) {
    ScriptedHttpServer server(Ok(""));
    Text headers = "user-agent: X";
    WinInetPageRequest(layer_, server.Url(), {.extraHeaders = &headers});
    EXPECT_EQ(layer_.Call("Open"), "Open X|1|");
    EXPECT_NE(server.Request().find("\r\nuser-agent: X\r\n"), std::string::npos);

    RecordingWinInet exact(real_);
    Text exactHeaders = "Accept: a\r\nUser-Agent:  Y/1 \r\nX-B: b";
    WinInetPageRequest(exact, server.Url(), {.extraHeaders = &exactHeaders});
    EXPECT_EQ(exact.Call("Open"), "Open Y/1|1|");
}

TEST_F(WinInetPageRequestTest, ProxyNameByScheme) {
    ScriptedHttpServer proxy(Ok("proxied"));
    const std::string address = "127.0.0.1:" + std::to_string(proxy.Port());
    EXPECT_EQ(WinInetPageRequest(layer_, "http://quillet.test/a", {.proxy = address}), "proxied");
    EXPECT_EQ(layer_.Call("Open"),
              "Open Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)|3|http=" + address);
    const std::string request = proxy.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET http://quillet.test/a HTTP/1.1");
}

TEST_F(WinInetPageRequestTest, FailedHandleLeavesOutputsAlone) {
    for (const char* stage : {"Open", "Connect", "OpenRequest"}) {
        ScriptedHttpServer server(Ok("body"));
        RecordingWinInet layer(real_);
        layer.failing = {stage};
        Text headers = "h", received = "r", response = "x", jar = "j";
        Bytes postBytes;
        EXPECT_EQ(WinInetPageRequest(layer, server.Url(),
                                     {.method = 1,
                                      .postData = "p",
                                      .cookies = &jar,
                                      .receivedCookies = &received,
                                      .extraHeaders = &headers,
                                      .responseHeaders = &response,
                                      .postBytes = &postBytes}),
                  "")
            << stage;
        EXPECT_EQ(headers, "h");
        EXPECT_EQ(received, "r");
        EXPECT_EQ(response, "x");
        EXPECT_EQ(jar, "j");
        EXPECT_EQ(postBytes, "");
        const std::size_t opened = std::string_view(stage) == "Open"      ? 0
                                   : std::string_view(stage) == "Connect" ? 1
                                                                          : 2;
        EXPECT_EQ(layer.closed.size(), opened) << stage;
    }
}

TEST_F(WinInetPageRequestTest, FetchPageTextEndsAtZeroByte) {
    ScriptedHttpServer server(Ok(std::string("abc\0def", 7)));
    EXPECT_EQ(FetchPageText(layer_, server.Url()), "abc");
}

struct QuietFailure {
    const char* name;
    std::vector<std::string> failing;
    Bytes body;
    bool headersKept;
};

class WinInetQuietFailures : public WinInetPageRequestTest,
                             public testing::WithParamInterface<QuietFailure> {};

// Sending, reading and the header query fail without a word: only the outputs show it.
TEST_P(WinInetQuietFailures, ShowInOutputsOnly) {
    const QuietFailure& c = GetParam();
    ScriptedHttpServer server(Ok("body", "Set-Cookie: a=1\r\n"));
    layer_.failing = c.failing;
    Text headers, received = "old";
    EXPECT_EQ(WinInetPageRequest(layer_, server.Url(),
                                 {.receivedCookies = &received, .responseHeaders = &headers}),
              c.body);
    if (c.headersKept) {
        EXPECT_EQ(headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
        EXPECT_EQ(received, "a=1");
    } else {
        EXPECT_EQ(headers, std::string(5000, ' '));
        EXPECT_EQ(received, "");
    }
    EXPECT_EQ(layer_.closed, (std::vector<std::string>{"request", "connection", "internet"}));
}

INSTANTIATE_TEST_SUITE_P(Table, WinInetQuietFailures,
                         testing::Values(QuietFailure{"Send", {"SendRequest"}, "", false},
                                         QuietFailure{"Read", {"ReadFile"}, "", true},
                                         QuietFailure{"HeaderQuery", {"QueryInfo"}, "body", false}),
                         [](const auto& row) { return row.param.name; });

int pumped = 0;
void CountPump() {
    ++pumped;
}

TEST_F(WinInetPageRequestTest, DispatchesNoMessages) {
    ScriptedHttpServer server(
        std::vector<ScriptedReply>{{.bytes = Ok("late"), .delay = std::chrono::milliseconds(200)}});
    SetMessagePump(&CountPump);
    pumped = 0;
    EXPECT_EQ(FetchPageText(layer_, server.Url()), "late");
    SetMessagePump(nullptr);
    EXPECT_EQ(pumped, 0);
}

TEST(HeaderValue, TrimmedTextAfterFirstColon) {
    EXPECT_EQ(HeaderValue("user-agent: X"), "X");
    EXPECT_EQ(HeaderValue("a: b: c "), "b: c");
    EXPECT_EQ(HeaderValue("k:\xA1\xA1v\xA1\xA1"), "v");
    EXPECT_EQ(HeaderValue("no colon"), "");
}

}  // namespace
}  // namespace quillet
