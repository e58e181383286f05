// quillet-cli run as a process against the stand-in service.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "tests/support/standin_process.h"
#include "tests/support/temp_dir.h"
#include "tests/web/scripted_http_server.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::StandinProcess;
using testing_support::TempDir;

// The UTF-8 bytes of a UTF-8 literal as a plain string.
std::string U(std::u8string_view text) {
    return std::string(text.begin(), text.end());
}

struct CliRun {
    int exitCode = -1;
    std::string out;  // UTF-8
    std::string err;
};

// Runs quillet-cli with the arguments (each single-quoted for the shell).
CliRun RunCli(const std::vector<std::string>& args) {
    TempDir scratch;
    std::string command = QUILLET_CLI_PATH;
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " 2>" + scratch.File("err");
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFileBytes(scratch.File("err"));
    return run;
}

class CliTest : public ::testing::Test {
  protected:
    StandinProcess service_{{"--song-bytes", "3670016"}};
    std::string Host() { return service_.HostPort(); }
};

// The texts here are UTF-8: the front end's output, not the program's GBK.
TEST_F(CliTest, SearchPrintsTheRows) {
    const CliRun run = RunCli({"search", U(u8"微笑"), "--service", Host()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, U(u8"1\t让我们一起微笑吧\t微笑乐队\t微笑专辑\tMUSIC_1001\t   点击召唤地址\n"
                         u8"2\t微笑的海\t微笑乐队\t海边\tMUSIC_1006\t   点击召唤地址\n"));

    const CliRun none = RunCli({"--service", Host(), "search", U(u8"没有这首")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find(U(u8"没有找到歌曲")), std::string::npos) << none.err;
}

TEST_F(CliTest, ResolvePrintsAddressPictureAndSize) {
    const CliRun run =
        RunCli({"resolve", U(u8"微笑"), "--row", "2", "--high", "--service", Host()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "http://" + Host() + "/resource/hq/MUSIC_1006.mp3\thttp://" + Host() +
                           "/pic/MUSIC_1006.jpg\t7MB\n");

    service_.SetMode("nomp3");
    const CliRun failed = RunCli({"resolve", U(u8"微笑"), "--service", Host()});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.out, U(u8"获取失败\t\t\n"));
}

TEST_F(CliTest, DownloadSavesOnceIntoTheGivenFolder) {
    TempDir folder;
    const std::vector<std::string> args = {
        "--dir", folder.Path().string(), "download", U(u8"夏日"), "--service", Host()};
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string path = folder.File(U(u8"林一 - 夏日晴天.mp3"));
    EXPECT_EQ(run.out, U(u8"下载成功\n") + path + "\n");
    EXPECT_EQ(testing_support::SizeAndHash(ReadFileBytes(path)),
              testing_support::SizeAndHash(service_.Get("/resource/MUSIC_1002.mp3")));

    const CliRun again = RunCli(args);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find(U(u8"别贪心，已经下载过了")), std::string::npos) << again.err;
}

TEST_F(CliTest, ProxyCarriesTheRequest) {
    test::ScriptedHttpServer proxy(test::HttpReply(
        "HTTP/1.1 200 OK", "", service_.Get("/webmusic/getsjplayinfo?key=%E5%BE%AE%E7%AC%91")));
    const CliRun run = RunCli({"search", U(u8"微笑"), "--service", Host(), "--proxy",
                               "127.0.0.1:" + std::to_string(proxy.Port())});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("MUSIC_1006"), std::string::npos) << run.out;
    EXPECT_EQ(proxy.Request(0).rfind("GET http://" + Host() + "/webmusic/getsjplayinfo?", 0), 0u)
        << proxy.Request(0);
}

TEST(Cli, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"play", "x"},
        {"search"},
        {"search", "a", "b"},
        {"search", ""},
        {"resolve", "x", "--row", "0"},
        {"resolve", "x", "--row"},
        {"resolve", "x", "--dir", "/tmp"},
        {"search", "x", "--high"},
        {"search", "x", "--bogus"},
        {"search", "x", "--service", "not a host"},
        {"search", "x", "--proxy", "not a host"},
    };
    for (const auto& args : cases) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
}

}  // namespace
}  // namespace quillet
