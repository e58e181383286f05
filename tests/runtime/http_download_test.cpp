#include "runtime/http_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stop_token>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/web/scripted_http_server.h"

namespace quillet {
namespace {

using test::HttpReply;
using test::ScriptedHttpServer;
using test::ScriptedReply;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
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

TEST(HttpDownload, BodyBeyondTheCapYieldsNothing) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{{.bytes = "HTTP/1.0 200 OK\r\n\r\n",
                                                          .rest = std::string(1 << 20, 'x'),
                                                          .repeatRest = true}});
    DownloadResult result = HttpDownload(server.Url("/endless"), {2, 2});
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.body.empty());
}

// The file download: streamed into the file, resumed after an interruption.

struct Recorded {
    FileDownloadResult result;
    std::string file;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
};

Recorded DownloadToFile(const std::string& url, FileDownloadOptions options = {}) {
    TempDir dir;
    Recorded recorded;
    options.progress = [&](std::int64_t bytes, std::int64_t total) {
        recorded.progress.emplace_back(bytes, total);
    };
    const std::string path = dir.File("song.mp3");
    recorded.result = HttpDownloadToFile(url, path, options);
    recorded.file = ReadFileBytes(path);
    return recorded;
}

TEST(HttpDownloadToFile, StreamsTheBodyAndReportsRisingProgress) {
    const std::string body(300000, 'b');
    ScriptedHttpServer server(std::vector<ScriptedReply>{
        {.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 300000\r\n\r\n" + body.substr(0, 1000),
         .pause = std::chrono::milliseconds(100),
         .rest = body.substr(1000)}});
    const Recorded r = DownloadToFile(server.Url("/song.mp3"));
    EXPECT_TRUE(r.result.complete);
    EXPECT_EQ(r.result.status, 200);
    EXPECT_EQ(r.result.bytes, 300000);
    EXPECT_TRUE(r.file == body);
    ASSERT_GE(r.progress.size(), 2u);
    for (std::size_t i = 1; i < r.progress.size(); ++i) {
        EXPECT_GE(r.progress[i].first, r.progress[i - 1].first);
        EXPECT_EQ(r.progress[i].second, 300000);
    }
    EXPECT_EQ(r.progress.back().first, 300000);
    // The bytes are the file's: no content coding is asked for.
    EXPECT_EQ(server.Request(0).find("Accept-Encoding"), std::string::npos);
}

TEST(HttpDownloadToFile, ErrorReplyIsNotWritten) {
    ScriptedHttpServer server(HttpReply("HTTP/1.0 404 Not Found", "", "missing"));
    const Recorded r = DownloadToFile(server.Url("/song.mp3"));
    EXPECT_EQ(r.result.status, 404);
    EXPECT_EQ(r.result.bytes, 0);
    EXPECT_EQ(r.file, "");
}

// The first connection drops after "abcd" of "abcdefghij"; later ones answer as scripted.
struct ResumeCase {
    const char* name;
    std::vector<ScriptedReply> after;
    bool complete;
    std::string secondRange;  // the Range line of the second request, empty for none
};

class Resume : public testing::TestWithParam<ResumeCase> {};

TEST_P(Resume, EndsWithTheServedBytesOrFails) {
    const ResumeCase& c = GetParam();
    std::vector<ScriptedReply> replies{
        {.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd"}};
    replies.insert(replies.end(), c.after.begin(), c.after.end());
    ScriptedHttpServer server(replies);
    const Recorded r = DownloadToFile(server.Url("/song.mp3"));
    EXPECT_EQ(r.result.complete, c.complete);
    if (c.complete) {
        EXPECT_EQ(r.file, "abcdefghij");
        EXPECT_EQ(r.result.bytes, 10);
    }
    const std::string second = server.Request(1);
    EXPECT_EQ(second.find("Range: ") != std::string::npos, !c.secondRange.empty()) << second;
    if (!c.secondRange.empty()) {
        EXPECT_NE(second.find(c.secondRange), std::string::npos) << second;
    }
}

const std::string Partial = "HTTP/1.0 206 Partial Content\r\nContent-Range: ";

INSTANTIATE_TEST_SUITE_P(
    Table, Resume,
    testing::Values(
        ResumeCase{"MatchingRangeIsAppended",
                   {{.bytes = Partial + "bytes 4-9/10\r\nContent-Length: 6\r\n\r\nefghij"}},
                   true,
                   "Range: bytes=4-"},
        ResumeCase{"ResumedTwice",
                   {{.bytes = Partial + "bytes 4-9/10\r\nContent-Length: 6\r\n\r\nef"},
                    {.bytes = Partial + "bytes 6-9/10\r\nContent-Length: 4\r\n\r\nghij"}},
                   true,
                   "Range: bytes=4-"},
        ResumeCase{"ThreeResumesAreEnough",
                   {{.bytes = Partial + "bytes 4-9/10\r\nContent-Length: 6\r\n\r\nef"},
                    {.bytes = Partial + "bytes 6-9/10\r\nContent-Length: 4\r\n\r\ngh"},
                    {.bytes = Partial + "bytes 8-9/10\r\nContent-Length: 2\r\n\r\nij"}},
                   true,
                   "Range: bytes=4-"},
        ResumeCase{"AFourthIsNot",
                   {{.bytes = Partial + "bytes 4-9/10\r\nContent-Length: 6\r\n\r\ne"},
                    {.bytes = Partial + "bytes 5-9/10\r\nContent-Length: 5\r\n\r\nf"},
                    {.bytes = Partial + "bytes 6-9/10\r\nContent-Length: 4\r\n\r\ng"}},
                   false,
                   "Range: bytes=4-"},
        ResumeCase{"WholeFileAgainStartsOver",
                   {{.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcdefghij"}},
                   true,
                   "Range: bytes=4-"},
        ResumeCase{"WrongRangeStartsOverUnranged",
                   {{.bytes = Partial + "bytes 0-9/10\r\nContent-Length: 10\r\n\r\nabcdefghij"},
                    {.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcdefghij"}},
                   true,
                   "Range: bytes=4-"},
        ResumeCase{"OtherLengthIsRefused",
                   {{.bytes = Partial + "bytes 4-19/20\r\nContent-Length: 16\r\n\r\nefghij"},
                    {.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcdefghij"}},
                   true,
                   "Range: bytes=4-"},
        ResumeCase{"DroppedEveryTimeFails",
                   {{.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd"}},
                   false,
                   "Range: bytes=4-"}),
    [](const auto& param) { return param.param.name; });

TEST(HttpDownloadToFile, StallPastTheTimeOutIsResumed) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{
        {.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd",
         .pause = std::chrono::seconds(20),
         .rest = "efghij"},
        {.bytes = Partial + "bytes 4-9/10\r\nContent-Length: 6\r\n\r\nefghij"}});
    FileDownloadOptions options;
    options.timeouts = {2, 1};
    const Recorded r = DownloadToFile(server.Url("/song.mp3"), options);
    EXPECT_TRUE(r.result.complete);
    EXPECT_EQ(r.file, "abcdefghij");
}

TEST(HttpDownloadToFile, StopRequestEndsTheTransferPromptly) {
    ScriptedHttpServer server(
        std::vector<ScriptedReply>{{.bytes = "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nab",
                                    .pause = std::chrono::seconds(20),
                                    .rest = "cdefghij"}});
    std::stop_source stop;
    FileDownloadOptions options;
    options.stop = stop.get_token();
    std::chrono::steady_clock::time_point asked;
    std::jthread stopper([&] {
        server.Request(0);  // the transfer is under way
        asked = std::chrono::steady_clock::now();
        stop.request_stop();
    });
    const Recorded r = DownloadToFile(server.Url("/song.mp3"), options);
    const auto took = std::chrono::steady_clock::now() - asked;
    stopper.join();
    EXPECT_TRUE(r.result.stopped);
    EXPECT_FALSE(r.result.complete);
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_EQ(server.ConnectionCount(), 1);
}

}  // namespace
}  // namespace quillet
