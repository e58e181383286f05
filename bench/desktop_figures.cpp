#include "bench/desktop_figures.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace quillet::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int out = -1;  // read end of its standard output
};

Child Spawn(const std::vector<std::string>& words, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> copy = words;
    std::vector<char*> argv;
    for (std::string& w : copy) argv.push_back(w.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Child child;
    if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        child.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    child.out = fds[0];
    return child;
}

void Stop(Child& child) {
    if (child.pid > 0) {
        kill(child.pid, SIGTERM);
        waitpid(child.pid, nullptr, 0);
    }
    if (child.out >= 0) close(child.out);
    child = {};
}

// Reads the child's output until it ends or `seconds` pass.
std::string ReadAll(int fd, int seconds) {
    std::string text;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    char buffer[256];
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

long PssOf(const std::string& output) {
    const std::size_t at = output.find("pss_kb ");
    return at == std::string::npos ? -1 : std::strtol(output.c_str() + at + 7, nullptr, 10);
}

// Milliseconds from the spawn of `program` to the first window it maps; -1 on failure.
double MillisecondsToMap(xcb_connection_t* connection, const std::vector<std::string>& words,
                         const std::vector<std::string>& env) {
    while (xcb_generic_event_t* stale = xcb_poll_for_event(connection)) std::free(stale);
    const auto start = Clock::now();
    Child child = Spawn(words, env);
    double ms = -1;
    const int fd = xcb_get_file_descriptor(connection);
    while (ms < 0 && Clock::now() - start < std::chrono::seconds(20)) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 100);
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY && ms < 0) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            }
            std::free(event);
        }
    }
    Stop(child);
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

}  // namespace

void PrintDesktopFigures(const std::string& songAddress, const std::string& folder) {
    Child server =
        Spawn({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, {});
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (server.pid > 0 && number.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd p{server.out, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char c = 0;
        if (read(server.out, &c, 1) != 1) break;
        number += c;
    }
    if (number.find('\n') == std::string::npos) {
        std::printf("desktop figures skipped: Xvfb did not start\n");
        Stop(server);
        return;
    }
    const std::string display = ":" + number.substr(0, number.find('\n'));
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        std::printf("desktop figures skipped: no connection to Xvfb\n");
        xcb_disconnect(connection);
        Stop(server);
        return;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const std::vector<std::string> env = {
        "DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "QT_MEDIA_BACKEND=gstreamer",
        "PULSE_SERVER=unix:/nonexistent",
        "GST_PLUGIN_FEATURE_RANK=pulsesink:NONE,pipewiresink:NONE,jackaudiosink:NONE,"
        "alsasink:NONE,osssink:NONE,oss4sink:NONE"};
    std::vector<double> ours, bare, text;
    for (int run = 0; run < 7; ++run) {  // alternated, so all see the same machine load
        bare.push_back(MillisecondsToMap(connection, {QUILLET_BARE_WINDOW_PATH}, env));
        ours.push_back(MillisecondsToMap(connection, {QUILLET_GUI_PATH}, env));
        text.push_back(MillisecondsToMap(connection, {QUILLET_BARE_WINDOW_PATH, "--text"}, env));
    }
    const double oursMs = Median(ours), bareMs = Median(bare), textMs = Median(text);
    std::printf(
        "main window mapped after %.1f ms; bare Qt window %.1f ms; bare window with a line of "
        "Chinese text %.1f ms (medians of 7)\n",
        oursMs, bareMs, textMs);
    std::printf("ratio startup %.3f\n", oursMs / bareMs);
    std::printf("ratio startup_vs_text_window %.3f\n", oursMs / textMs);

    const std::string page = folder + "/M4A.Htm";
    std::ofstream(page) << "<embed src=\"" << songAddress
                        << "\" width=\"340\" height=\"86\"  allowNetworking=\"all\"></embed>";
    Child bareWindow = Spawn({QUILLET_BARE_WINDOW_PATH, "--pss"}, env);
    const long barePss = PssOf(ReadAll(bareWindow.out, 20));
    Stop(bareWindow);
    Child preview = Spawn({QUILLET_PREVIEW_PROBE_PATH, page}, env);
    const long previewPss = PssOf(ReadAll(preview.out, 40));
    Stop(preview);
    const double addedMb = static_cast<double>(previewPss - barePss) / 1024.0;
    std::printf(
        "memory (PSS): bare window %.1f MB, after 2 s of preview %.1f MB, added %.1f MB "
        "(goal 60 MB)\n",
        static_cast<double>(barePss) / 1024.0, static_cast<double>(previewPss) / 1024.0, addedMb);
    if (barePss > 0 && previewPss > 0) std::printf("ratio preview_memory %.3f\n", addedMb / 60.0);

    xcb_disconnect(connection);
    Stop(server);
}

}  // namespace quillet::bench
