// Hostile or broken servers: every call ends with a defined result, in bounded time.

#include <gtest/gtest.h>

#include "tests/web/scripted_http_server.h"
#include "web/remote_file_size.h"
#include "web/winhttp_page_request.h"
#include "web/wininet_page_request.h"

namespace quillet {
namespace {

using test::HttpReply;
using test::ScriptedHttpServer;
using test::ScriptedReply;

struct BrokenReply {
    const char* name;
    std::string bytes;
};

class BrokenServer : public testing::TestWithParam<BrokenReply> {};

TEST_P(BrokenServer, GivesNoReply) {
    ScriptedHttpServer server(GetParam().bytes);
    Text status;
    EXPECT_EQ(WinHttpPageRequest(server.Url(), {.timeoutSeconds = 2, .statusText = &status}), "");
    EXPECT_EQ(status, winhttp_error::NoResponse);
    CurlWinInet layer(CurlLayerOptions{.idleTimeout = std::chrono::seconds(2)});
    Text headers;
    EXPECT_EQ(WinInetPageRequest(layer, server.Url(), {.responseHeaders = &headers}), "");
    EXPECT_EQ(headers, std::string(5000, ' '));
    EXPECT_EQ(RemoteFileSize(layer, server.Url()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenServer,
    testing::Values(BrokenReply{"Garbage", "\x16\x03\x01 this is no http at all\r\n\r\n"},
                    BrokenReply{"MalformedStatusLine",
                                "HTTP/1.1 OK\r\nContent-Length: 2\r\n\r\nhi"},
                    BrokenReply{"ClosesAtOnce", ""},
                    BrokenReply{"HeadersNeverEnd", "HTTP/1.1 200 OK\r\nX-A: 1\r\n"}),
    [](const auto& row) { return row.param.name; });

TEST(BadInput, SilentServerEndsWithinTimeouts) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{{.neverAnswer = true}});
    CurlWinInet layer(CurlLayerOptions{.idleTimeout = std::chrono::seconds(1)});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FetchPageText(layer, server.Url()), "");
    EXPECT_EQ(RemoteFileSize(layer, server.Url()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST(BadInput, FiftyMegabyteBody) {
    const std::string body(50 << 20, 'z');
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", "", body));
    Bytes bytes;
    EXPECT_EQ(WinHttpPageRequest(server.Url(), {.bodyBytes = &bytes}).size(), body.size());
    EXPECT_EQ(bytes.size(), body.size());
    EXPECT_EQ(WinInetPageRequest(server.Url()).size(), body.size());
}

TEST(BadInput, MegabyteHeaderBlock) {
    std::string lines;
    for (int i = 0; lines.size() < (1 << 20); ++i) {
        lines += "Set-Cookie: c" + std::to_string(i) + "=" + std::string(40, 'v') + "; path=/\r\n";
    }
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", lines, "end"));
    Text status, headers, jar = "a=1";
    const Text text = WinHttpPageRequest(
        server.Url(), {.cookies = &jar, .responseHeaders = &headers, .statusText = &status});
    // Either the whole block is taken or the reply is refused; nothing in between.
    if (text == "end") {
        EXPECT_EQ(status, "200 OK");
        EXPECT_GT(headers.size(), 1u << 20);
        EXPECT_EQ(jar.substr(jar.size() - 5), "; a=1");
    } else {
        EXPECT_EQ(status, winhttp_error::NoResponse);
    }
    Text inetHeaders;
    WinInetPageRequest(server.Url(), {.responseHeaders = &inetHeaders});
    EXPECT_EQ(inetHeaders, std::string(5000, ' '));
}

}  // namespace
}  // namespace quillet
