#include "web/remote_file_size.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "tests/web/recording_layers.h"
#include "tests/web/scripted_http_server.h"

namespace quillet {
namespace {

using test::RecordingWinInet;
using test::ScriptedHttpServer;
using test::ScriptedReply;

// The system proxy settings are the environment's; each test states its own.
class RemoteFileSizeTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : ProxyVariables) unsetenv(name);
    }
    void TearDown() override {
        for (const char* name : ProxyVariables) unsetenv(name);
    }
    static constexpr const char* ProxyVariables[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                                     "HTTPS_PROXY", "all_proxy",  "ALL_PROXY",
                                                     "no_proxy",    "NO_PROXY"};
};

TEST_F(RemoteFileSizeTest, ReadsContentLengthWithoutWaitingForBody) {
    // The body never comes: the size must be known from the headers alone.
    ScriptedHttpServer server(std::vector<ScriptedReply>{
        {.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 4194304\r\n\r\npart",
         .pause = std::chrono::seconds(20),
         .rest = "never"}});
    CurlWinInet real;
    RecordingWinInet layer(real);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RemoteFileSize(layer, server.Url("/song.mp3")), 4194304);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(layer.Call("Open"), "Open |0|");
    EXPECT_EQ(layer.Call("OpenUrl"), "OpenUrl " + server.Url("/song.mp3") + "  80000000");
    EXPECT_EQ(layer.closed, (std::vector<std::string>{"url", "internet"}));
    const std::string request = server.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /song.mp3 HTTP/1.1");
}

TEST_F(RemoteFileSizeTest, ChunkedReplyHasNoSize) {
    ScriptedHttpServer server(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n");
    EXPECT_EQ(RemoteFileSize(server.Url()), 0);
}

TEST_F(RemoteFileSizeTest, UnreachableHostIsZero) {
    int port = 0;
    {
        ScriptedHttpServer closed("");
        port = closed.Port();
    }
    EXPECT_EQ(RemoteFileSize("http://127.0.0.1:" + std::to_string(port) + "/"), 0);
    EXPECT_EQ(RemoteFileSize(""), 0);
    EXPECT_EQ(RemoteFileSize("not an address"), 0);
}

TEST_F(RemoteFileSizeTest, UsesSystemProxySettings) {
    ScriptedHttpServer proxy("HTTP/1.1 200 OK\r\nContent-Length: 77\r\n\r\n");
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.Port())).c_str(), 1);
    EXPECT_EQ(RemoteFileSize("http://quillet.test/f.mp3"), 77);
    const std::string request = proxy.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET http://quillet.test/f.mp3 HTTP/1.1");
}

struct NumberCase {
    const char* name;
    std::string text;
    std::int64_t value;
};

class LeadingIntegerCases : public testing::TestWithParam<NumberCase> {};

TEST_P(LeadingIntegerCases, Reads) {
    EXPECT_EQ(LeadingInteger(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeadingIntegerCases,
    testing::Values(NumberCase{"Plain", "4194304", 4194304},
                    NumberCase{"LeadingSpaceAndTail", " \t12 MB", 12}, NumberCase{"Sign", "-5", -5},
                    NumberCase{"PlusSign", "+7", 7}, NumberCase{"NoDigits", "abc", 0},
                    NumberCase{"Empty", "", 0},
                    NumberCase{"FullWidthDigits", "\xA3\xB4\xA3\xB2", 42},
                    NumberCase{"MixedDigits",
                               "1\xA3\xB0"
                               "0",
                               100},
                    NumberCase{"FullWidthSpaceSkipped",
                               "\xA1\xA1"
                               "9",
                               9},
                    NumberCase{"LargeFile", "5368709120", 5368709120},
                    NumberCase{"BeyondRangeHeld", "99999999999999999999", INT64_MAX}),
    [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace quillet
