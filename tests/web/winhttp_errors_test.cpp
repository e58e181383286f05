// Every stage of the WinHTTP page request that can fail: its numbered text, the handles
// closed (in reverse order of opening) and the outputs left alone.

#include <gtest/gtest.h>

#include <chrono>

#include "tests/web/recording_layers.h"
#include "tests/web/scripted_http_server.h"
#include "web/winhttp_page_request.h"

namespace quillet {
namespace {

using test::HttpReply;
using test::RecordingWinHttp;
using test::ScriptedHttpServer;
using test::ScriptedReply;

const std::vector<std::string> None;
const std::vector<std::string> Session{"session"};
const std::vector<std::string> Connection{"connection", "session"};
const std::vector<std::string> All{"request", "connection", "session"};

struct StageCase {
    const char* name;
    std::vector<std::string> failing;
    std::string_view status;
    std::vector<std::string> closed;
};

class FailingStage : public testing::TestWithParam<StageCase> {};

TEST_P(FailingStage, ReportsItsTextAndClosesWhatWasOpen) {
    const StageCase& c = GetParam();
    ScriptedHttpServer server(
        HttpReply("HTTP/1.1 200 OK", "Set-Cookie: s=1\r\nLocation: /x\r\n", "body"));
    CurlWinHttp real;
    RecordingWinHttp layer(real);
    layer.failing = c.failing;
    Text status = "unset", cookies = "a=1", received = "r", headers = "h", location = "l";
    Bytes bytes = "b";
    const Text text = WinHttpPageRequest(layer, server.Url(),
                                         {.cookies = &cookies,
                                          .receivedCookies = &received,
                                          .responseHeaders = &headers,
                                          .noRedirect = true,
                                          .userName = "u",
                                          .password = "p",
                                          .proxyUser = "pu",
                                          .proxyPassword = "pp",
                                          .location = &location,
                                          .statusText = &status,
                                          .bodyBytes = &bytes});
    EXPECT_EQ(text, "");
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(layer.closed, c.closed);
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(received, "r");
    EXPECT_EQ(headers, "h");
    EXPECT_EQ(location, "l");
    EXPECT_EQ(bytes, "b");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailingStage,
    testing::Values(
        StageCase{"Platform", {"CheckPlatform"}, winhttp_error::NoPlatform, None},
        StageCase{"CrackUrl", {"CrackUrl"}, winhttp_error::BadUrl, None},
        StageCase{"Session", {"Open"}, winhttp_error::NoSession, None},
        StageCase{"Connection", {"Connect"}, winhttp_error::NoConnection, Session},
        StageCase{"Request", {"OpenRequest"}, winhttp_error::NoRequest, Connection},
        StageCase{"Timeouts", {"SetTimeouts"}, winhttp_error::Timeouts, All},
        StageCase{"ServerCredentials", {"SetCredentials 0"}, winhttp_error::ServerCredentials, All},
        StageCase{"ProxyCredentials", {"SetCredentials 1"}, winhttp_error::ProxyCredentials, All},
        StageCase{"CookieOption", {"SetOption 79"}, winhttp_error::CookieOption, All},
        StageCase{"RedirectOption", {"SetOption 63 2"}, winhttp_error::RedirectOption, All},
        StageCase{"Headers", {"AddRequestHeaders"}, winhttp_error::Headers, All},
        StageCase{"Send", {"SendRequest"}, winhttp_error::Send, All},
        StageCase{"Receive", {"ReceiveResponse"}, winhttp_error::NoResponse, All},
        // A failed header query drops the body and leaves the status as it was...
        StageCase{"HeaderQuery", {"QueryHeaders"}, "unset", All},
        // ...which is the read error when reading failed too.
        StageCase{"ReadThenHeaderQuery", {"ReadData", "QueryHeaders"}, winhttp_error::Read, All}),
    [](const auto& row) { return row.param.name; });

TEST(WinHttpFailures, ReadFailureIsReplacedByStatusLine) {
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", "", "body"));
    CurlWinHttp real;
    RecordingWinHttp layer(real);
    layer.failing = {"ReadData"};
    Text status;
    Bytes bytes = "old";
    EXPECT_EQ(WinHttpPageRequest(layer, server.Url(), {.statusText = &status, .bodyBytes = &bytes}),
              "");
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(layer.closed, All);
}

TEST(WinHttpFailures, QueryDataFailureEndsBodySilently) {
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", "", "body"));
    CurlWinHttp real;
    RecordingWinHttp layer(real);
    layer.failing = {"QueryDataAvailable"};
    Text status;
    EXPECT_EQ(WinHttpPageRequest(layer, server.Url(), {.statusText = &status}), "");
    EXPECT_EQ(status, "200 OK");
}

struct AddressCase {
    const char* name;
    std::string url;
};

class BadAddress : public testing::TestWithParam<AddressCase> {};

TEST_P(BadAddress, FailsToCrack) {
    Text status;
    EXPECT_EQ(WinHttpPageRequest(GetParam().url, {.statusText = &status}), "");
    EXPECT_EQ(status, winhttp_error::BadUrl);
}

INSTANTIATE_TEST_SUITE_P(Table, BadAddress,
                         testing::Values(AddressCase{"Empty", ""},
                                         AddressCase{"NoScheme", "127.0.0.1/x"},
                                         AddressCase{"OtherScheme", "ftp://127.0.0.1/x"},
                                         AddressCase{"NoHost", "http://"},
                                         AddressCase{"BadPort", "http://127.0.0.1:99999/"}),
                         [](const auto& row) { return row.param.name; });

TEST(WinHttpFailures, ConnectionRefusedFailsToSend) {
    int port = 0;
    {
        ScriptedHttpServer closed("");
        port = closed.Port();
    }  // nobody listens there any more
    Text status, headers = "h";
    EXPECT_EQ(WinHttpPageRequest("http://127.0.0.1:" + std::to_string(port) + "/",
                                 {.responseHeaders = &headers, .statusText = &status}),
              "");
    EXPECT_EQ(status, winhttp_error::Send);
    EXPECT_EQ(headers, "h");
}

TEST(WinHttpFailures, SilentServerTimesOut) {
    ScriptedHttpServer server(std::vector<ScriptedReply>{{.neverAnswer = true}});
    Text status;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WinHttpPageRequest(server.Url(), {.timeoutSeconds = 1, .statusText = &status}), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(status, winhttp_error::NoResponse);
}

TEST(WinHttpFailures, MalformedHeaderLineFromCallerIsRefused) {
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", "", ""));
    Text status;
    EXPECT_EQ(
        WinHttpPageRequest(server.Url(), {.extraHeaders = "no colon here", .statusText = &status}),
        "");
    EXPECT_EQ(status, winhttp_error::Headers);
}

}  // namespace
}  // namespace quillet
