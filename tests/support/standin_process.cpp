#include "tests/support/standin_process.h"

#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

extern char** environ;

namespace quillet::testing_support {

StandinProcess::StandinProcess(std::vector<std::string> options) {
    std::vector<std::string> words = {QUILLET_STANDIN_PATH, "--lifetime", "120"};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        pid_ = -1;
        close(out[0]);
        return;
    }
    // The first line it prints is where it listens.
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') hostPort_ += c;
    close(out[0]);
}

StandinProcess::~StandinProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

void StandinProcess::SetMode(const std::string& mode, int delayMs) {
    Get("/__control?mode=" + mode + "&delay_ms=" + std::to_string(delayMs));
}

void StandinProcess::CloseGate() {
    Get("/__control?gate=close");
}

void StandinProcess::OpenGate() {
    Get("/__control?gate=open");
}

bool StandinProcess::WaitUntilHeld(int count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::atoi(Get("/__held").c_str()) < count) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

std::string StandinProcess::RequestLog() {
    return Get("/__log");
}

std::string StandinProcess::Get(const std::string& target) {
    const std::size_t colon = hostPort_.find(':');
    if (colon == std::string::npos) return {};
    httplib::Client client(hostPort_.substr(0, colon), std::stoi(hostPort_.substr(colon + 1)));
    client.set_read_timeout(10, 0);
    const httplib::Result result = client.Get(target.c_str());
    return result ? result->body : std::string();
}

}  // namespace quillet::testing_support
