// quillet-cli run as a process against the stand-in service.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

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

// Runs a program with the arguments (each single-quoted for the shell).
CliRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
    TempDir scratch;
    std::string command = program;
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

CliRun RunCli(const std::vector<std::string>& args) {
    return RunProgram(QUILLET_CLI_PATH, args);
}

// A loopback port nothing listens on.
int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
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

// Untagged songs get tags unless --no-tags says otherwise; then the file is the served bytes.
TEST_F(CliTest, NoTagsKeepsTheServedBytes) {
    service_.Get("/__song?untagged=1");
    const std::string served = service_.Get("/resource/MUSIC_1002.mp3");
    for (const bool tags : {false, true}) {
        TempDir folder;
        std::vector<std::string> args = {"download",  U(u8"夏日"), "--dir", folder.Path().string(),
                                         "--service", Host()};
        if (!tags) args.push_back("--no-tags");
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string saved = ReadFileBytes(folder.File(U(u8"林一 - 夏日晴天.mp3")));
        EXPECT_EQ(saved == served, !tags) << "tags " << tags;
        EXPECT_EQ(saved.compare(0, 3, "ID3") == 0, tags) << "tags " << tags;
    }
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

TEST(Cli, HelpAndVersionGoToStandardOutput) {
    std::vector<std::string> programs = {QUILLET_CLI_PATH};
#ifdef QUILLET_GUI_PATH
    programs.push_back(QUILLET_GUI_PATH);  // answered before any window is shown
#endif
    for (const std::string& program : programs) {
        const CliRun help = RunProgram(program, {"--help"});
        EXPECT_EQ(help.exitCode, 0) << program;
        EXPECT_NE(help.out.find("usage:"), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");
        const CliRun version = RunProgram(program, {"--version"});
        EXPECT_EQ(version.exitCode, 0) << program;
        EXPECT_EQ(version.out.rfind(program.substr(program.rfind('/') + 1) + " ", 0), 0u)
            << version.out;
        EXPECT_EQ(version.err, "");
    }
}

TEST_F(CliTest, FailedRequestIsToldApartFromNoMatch) {
    const CliRun unreachable =
        RunCli({"search", U(u8"微笑"), "--service", "127.0.0.1:" + std::to_string(ClosedPort())});
    EXPECT_EQ(unreachable.exitCode, 3);
    EXPECT_EQ(unreachable.out, "");
    EXPECT_NE(unreachable.err.find("request failed"), std::string::npos) << unreachable.err;
    EXPECT_EQ(unreachable.err.find(U(u8"没有找到歌曲")), std::string::npos) << unreachable.err;

    service_.SetMode("nomatch");
    const CliRun none = RunCli({"search", U(u8"微笑"), "--service", Host()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find(U(u8"没有找到歌曲")), std::string::npos) << none.err;

    const CliRun empty = RunCli({"search", "", "--service", Host()});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_EQ(empty.err.rfind(U(u8"信息：你要听什么歌尽管跟我说=^_^= \n"), 0), 0u) << empty.err;
}

TEST_F(CliTest, UnwritableFolderFailsBeforeAnyRequest) {
    TempDir scratch;
    testing_support::WriteFileBytes(scratch.File("file"), "x");
    const CliRun run = RunCli(
        {"download", U(u8"夏日"), "--dir=" + scratch.File("file") + "/songs", "--service", Host()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot save songs into"), std::string::npos) << run.err;
    EXPECT_EQ(service_.RequestLog(), "");
    EXPECT_FALSE(std::filesystem::exists(scratch.File("file") + "/songs"));
}

TEST_F(CliTest, JsonLinesCarryTheRowsFields) {
    const CliRun search = RunCli({"search", "Quoted", "--json", "--service", Host()});
    EXPECT_EQ(search.exitCode, 0) << search.err;
    // The list holds the name as the search reply gives it (quotes made spaces).
    EXPECT_EQ(search.out, U(u8"{\"row\":1,\"name\":\"Song  Quoted   One \",\"artist\":"
                            u8"\"Pipe Star \",\"album\":\"Album\",\"rid\":\"MUSIC_1007\","
                            u8"\"status\":\"   点击召唤地址\"}\n"));

    const CliRun resolve =
        RunCli({"resolve", U(u8"微笑"), "--row=2", "--json", "--service", Host()});
    EXPECT_EQ(resolve.exitCode, 0) << resolve.err;
    const std::string address = "http://" + Host() + "/resource/MUSIC_1006.mp3";
    EXPECT_EQ(resolve.out, U(u8"{\"row\":2,\"name\":\"微笑的海\",\"artist\":\"微笑乐队\",") +
                               "\"album\":\"" + U(u8"海边") +
                               "\",\"rid\":\"MUSIC_1006\",\"status\":\"" + address +
                               "\",\"address\":\"" + address + "\",\"picture\":\"http://" + Host() +
                               "/pic/MUSIC_1006.jpg\",\"size\":\"3.5MB\"}\n")
        << resolve.out;
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

// Standard error on a terminal: the progress line is drawn there, and wiped before the result.
TEST_F(CliTest, ProgressLineOnATerminal) {
    TempDir folder;
    // Everything the child needs is made before the fork.
    std::vector<std::string> args = {QUILLET_CLI_PATH,       "download",  U(u8"夏日"), "--dir",
                                     folder.Path().string(), "--service", Host()};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_NE(child, -1);
    if (child == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_NE(seen.find("3.5 MB / 3.5 MB  100%"), std::string::npos) << seen;
    EXPECT_EQ(seen.substr(seen.size() - 4), "\r\x1b[K") << seen;
}

// An interrupt ends the running download and leaves no half-written file behind.
TEST_F(CliTest, InterruptLeavesNoTemporaryFile) {
    service_.Get("/__song?rate=200000");  // the song takes about 18 s
    TempDir folder;
    const std::string temporary = folder.File("MUSIC_1002.mp3");
    std::vector<std::string> args = {QUILLET_CLI_PATH,       "download",  U(u8"夏日"), "--dir",
                                     folder.Path().string(), "--service", Host()};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(temporary) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(std::filesystem::exists(temporary));
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

// A batch against a catalogue of five songs named 歌曲1 to 歌曲5.
TEST(CliBatch, DownloadsTheListedRowsAndSkipsWhatIsThere) {
    StandinProcess service({"--extra-songs", "5", "--song-bytes", "300000"});
    TempDir folder;
    auto song = [&](int n) {
        const std::string name = std::to_string(n);
        return folder.File(U(u8"歌手") + name + " - " + U(u8"歌曲") + name + ".mp3");
    };
    const CliRun first =
        RunCli({"download", U(u8"歌曲"), "--rows", "4,1,3-4", "--jobs", "2", "--no-tags",
                "--dir=" + folder.Path().string(), "--service", service.HostPort()});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    std::string expected;
    for (const int n : {1, 3, 4}) expected += U(u8"下载成功\n") + song(n) + "\n";
    EXPECT_EQ(first.out, expected);
    EXPECT_EQ(testing_support::SizeAndHash(ReadFileBytes(song(3))),
              testing_support::SizeAndHash(service.Get("/resource/MUSIC_20003.mp3")));
    EXPECT_FALSE(std::filesystem::exists(song(2)));
    // Standard error is no terminal here: no progress line.
    EXPECT_EQ(first.err.find('\r'), std::string::npos) << first.err;
    EXPECT_EQ(first.err.find('%'), std::string::npos) << first.err;

    // Again with every row: the three songs there are reported, not fetched again.
    const CliRun second = RunCli({"--all", "--json", "download", U(u8"歌曲"), "--dir",
                                  folder.Path().string(), "--service", service.HostPort()});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(CountOf(service.RequestLog(), "getNewMuiseByRid"), 5u) << service.RequestLog();
    std::istringstream lines(second.out);
    std::string line;
    for (int n = 1; n <= 5; ++n) {
        ASSERT_TRUE(std::getline(lines, line)) << second.out;
        EXPECT_EQ(line.rfind("{\"row\":" + std::to_string(n) + ",", 0), 0u) << line;
        const bool there = n != 2 && n != 5;
        EXPECT_NE(line.find(there ? U(u8"\"status\":\"别贪心，已经下载过了\"")
                                  : U(u8"\"status\":\"下载成功\"")),
                  std::string::npos)
            << line;
        EXPECT_NE(line.find("\"path\":\"" + song(n) + "\"}"), std::string::npos) << line;
        EXPECT_EQ(line.find("\"address\"") != std::string::npos, !there) << line;
    }
    EXPECT_FALSE(std::getline(lines, line)) << second.out;

    // A failing row fails the batch, the others still end well.
    service.SetMode("song404");
    TempDir other;
    const CliRun failing = RunCli({"download", U(u8"歌曲"), "--rows", "1-2", "--dir",
                                   other.Path().string(), "--service", service.HostPort()});
    EXPECT_EQ(failing.exitCode, 1);
    EXPECT_EQ(failing.out, U(u8"下载失败\n下载失败\n"));
}

}  // namespace
}  // namespace quillet
