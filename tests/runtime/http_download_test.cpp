#include "runtime/http_download.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/web/scripted_http_server.h"

namespace quillet {
namespace {

using test::ScriptedHttpServer;
using test::ScriptedReply;
using namespace std::string_literals;

TEST(HttpDownload, SendsExactlyOneHttp10GetWithOurHeaders) {
    ScriptedHttpServer server("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nab\0cd"s);
    DownloadResult result = HttpDownload(server.Url("/song/1.mp3?x=1"));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /song/1.mp3?x=1 HTTP/1.0\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(server.Port()) +
                  "\r\n"
                  "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                  "Accept: */*\r\n"
                  "\r\n");
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, std::string("ab\0cd", 5));
}

struct ReplyCase {
    const char* name;
    std::string reply;
    long status;
    std::string body;
    bool complete;
};

class HttpDownloadReplies : public testing::TestWithParam<ReplyCase> {};

TEST_P(HttpDownloadReplies, YieldsBodyAndStatus) {
    const ReplyCase& c = GetParam();
    ScriptedHttpServer server(c.reply);
    DownloadResult result = HttpDownload(server.Url("/f"));
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.body, c.body);
    EXPECT_EQ(result.complete, c.complete);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpDownloadReplies,
    testing::Values(
        ReplyCase{"NotFoundBodyKept", "HTTP/1.0 404 Not Found\r\n\r\nmissing", 404, "missing",
                  true},
        ReplyCase{"BodyUntilClose", "HTTP/1.0 200 OK\r\n\r\nwhole body", 200, "whole body", true},
        ReplyCase{"EmptyBody", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", 200, "", true},
        ReplyCase{"CutOffBody", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nshort", 200, "",
                  false},
        ReplyCase{"NoReplyAtAll", "", 0, "", false},
        ReplyCase{"NotHttp", "garbage\r\n\r\n", 0, "", false}),
    [](const auto& param) { return param.param.name; });

TEST(HttpDownload, RefusesEmptyAndForeignAddresses) {
    EXPECT_FALSE(HttpDownload("").complete);
    EXPECT_TRUE(HttpDownload("file:///etc/passwd").body.empty());
    EXPECT_TRUE(HttpDownload("ftp://127.0.0.1/x").body.empty());
}

TEST(HttpDownload, HttpsSpeaksTlsAndFailsCleanlyOnAPlainServer) {
    // The server answers in plain HTTP; the TLS handshake fails, so no bytes come through.
    ScriptedHttpServer server("HTTP/1.0 200 OK\r\n\r\nplain body");
    std::string url = server.Url("/f");
    url.replace(0, 4, "https");
    DownloadResult result = HttpDownload(url, {2, 2});
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.body.empty());
}

TEST(HttpDownload, SilentHostEndsAtTheStallTimeout) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{{.neverAnswer = true}});
    auto start = std::chrono::steady_clock::now();
    DownloadResult result = HttpDownload(server.Url("/f"), {1, 1});
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.body.empty());
    // A bound far above the time-out: the transfer must not hang, however slow the machine.
    EXPECT_LT(took, std::chrono::seconds(15));
}

TEST(HttpDownload, FollowsRedirects) {
    ScriptedHttpServer target("HTTP/1.0 200 OK\r\n\r\nmoved here");
    ScriptedHttpServer first("HTTP/1.0 302 Found\r\nLocation: " + target.Url("/t") + "\r\n\r\n");
    DownloadResult result = HttpDownload(first.Url("/f"));
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.body, "moved here");
}

}  // namespace
}  // namespace quillet
