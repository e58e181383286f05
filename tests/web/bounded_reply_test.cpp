// Replies that never end, or end too slowly, cost bounded time and memory.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "tests/web/scripted_http_server.h"
#include "web/winhttp_page_request.h"
#include "web/wininet_page_request.h"

namespace quillet {
namespace {

using test::ScriptedHttpServer;
using test::ScriptedReply;
using Clock = std::chrono::steady_clock;

constexpr std::string_view Head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct SlowCase {
    const char* name;
    ScriptedReply reply;
    std::string_view status;
};

class SlowReply : public testing::TestWithParam<SlowCase> {};

// A time-out of 1 s: the request ends within four times it, whatever the server does.
TEST_P(SlowReply, EndsWithinFourTimesTheTimeOut) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{GetParam().reply});
    Text status;
    Bytes bytes = "old";
    const auto start = Clock::now();
    const Text text = WinHttpPageRequest(
        server.Url(), {.timeoutSeconds = 1, .statusText = &status, .bodyBytes = &bytes});
    const auto took = Clock::now() - start;
    EXPECT_EQ(text, "");
    EXPECT_EQ(status, GetParam().status);
    EXPECT_LT(took, std::chrono::milliseconds(5500));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SlowReply,
    testing::Values(
        // Two bytes a second: every read gets data, only the total limit ends it.
        SlowCase{"TrickledBody",
                 {.bytes = std::string(Head),
                  .rest = std::string(100, 'x'),
                  .trickle = std::chrono::milliseconds(500)},
                 winhttp_error::Read},
        // Header lines keep coming, each in time, none of them the last.
        SlowCase{"TrickledHeaders",
                 {.bytes = "HTTP/1.1 200 OK\r\n",
                  .rest =
                      [] {
                          std::string lines;
                          for (int i = 0; i < 100; ++i) lines += "a:b\r\n";
                          return lines;
                      }(),
                  .trickle = std::chrono::milliseconds(100)},
                 winhttp_error::NoResponse},
        SlowCase{"EndlessBody",
                 {.bytes = "HTTP/1.1 200 OK\r\n\r\n",
                  .rest = std::string(1 << 20, 'x'),
                  .repeatRest = true},
                 winhttp_error::Read}),
    [](const auto& param) { return param.param.name; });

// AddressSanitizer keeps freed memory in quarantine and pads every block, so peak memory says
// nothing about the code under it.
#ifdef __SANITIZE_ADDRESS__
constexpr bool MemoryFiguresHold = false;
#else
constexpr bool MemoryFiguresHold = true;
#endif

TEST(BoundedReply, EndlessBodyStopsAtTheCapWithBoundedMemory) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{{.bytes = "HTTP/1.1 200 OK\r\n\r\n",
                                                          .rest = std::string(1 << 20, 'x'),
                                                          .repeatRest = true}});
    const long before = PeakKilobytes();
    Text status;
    EXPECT_EQ(WinHttpPageRequest(server.Url(), {.statusText = &status}), "");
    EXPECT_EQ(status, winhttp_error::Read);
    if (MemoryFiguresHold) {
        EXPECT_LT(PeakKilobytes() - before, 200 * 1024);
    }

    CurlWinInet layer;
    EXPECT_TRUE(WinInetPageRequest(layer, server.Url()).empty());
    if (MemoryFiguresHold) {
        EXPECT_LT(PeakKilobytes() - before, 200 * 1024);
    }
}

TEST(BoundedReply, WinInetTrickleEndsWithinFourTimesTheTimeOut) {
    ScriptedHttpServer server(
        std::vector<ScriptedReply>{{.bytes = std::string(Head),
                                    .rest = std::string(100, 'x'),
                                    .trickle = std::chrono::milliseconds(500)}});
    CurlWinInet layer(
        {.connectTimeout = std::chrono::seconds(1), .idleTimeout = std::chrono::seconds(1)});
    const auto start = Clock::now();
    EXPECT_TRUE(WinInetPageRequest(layer, server.Url()).empty());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(5500));
}

// The receive time-out is a limit per read: a silence longer than it ends the read.
TEST(BoundedReply, SilenceLongerThanTheTimeOutEndsTheRead) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{
        {.bytes = std::string(Head) + "first", .pause = std::chrono::seconds(20), .rest = "x"}});
    const auto start = Clock::now();
    const Text text = WinHttpPageRequest(server.Url(), {.timeoutSeconds = 1});
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3000));
    EXPECT_EQ(text, "first");
}

// Time-outs of 0 set no limit of our own: a pause does not end the exchange.
TEST(BoundedReply, ZeroTimeOutsSetNoStallLimit) {
    ScriptedHttpServer server(
        std::vector<ScriptedReply>{{.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nfirst",
                                    .pause = std::chrono::milliseconds(1500),
                                    .rest = "later"}});
    CurlWinHttp layer;
    WinHttpLayer::UrlComponents parts;
    ASSERT_TRUE(layer.CrackUrl(server.Url(), parts));
    WinHttpLayer::Handle session = layer.Open(winhttp::AccessNoProxy, {});
    WinHttpLayer::Handle connection = layer.Connect(session, parts.host, parts.port);
    WinHttpLayer::Handle request = layer.OpenRequest(connection, "GET", "/", 0);
    ASSERT_TRUE(layer.SetTimeouts(request, 0, 0, 0, 0));
    ASSERT_TRUE(layer.SendRequest(request, {}));
    ASSERT_TRUE(layer.ReceiveResponse(request));
    std::string body;
    for (;;) {
        std::size_t available = 0;
        if (!layer.QueryDataAvailable(request, available) || available == 0) break;
        std::string chunk(available, '\0');
        std::size_t read = 0;
        ASSERT_TRUE(layer.ReadData(request, chunk.data(), chunk.size(), read));
        body.append(chunk, 0, read);
    }
    EXPECT_EQ(body, "firstlater");
    for (WinHttpLayer::Handle h : {request, connection, session}) layer.CloseHandle(h);
}

}  // namespace
}  // namespace quillet
