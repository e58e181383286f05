#include "app/cli/interrupt_watch.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <csignal>

namespace quillet::cli {

namespace {

// How long the program has to end by itself after a signal.
constexpr auto GraceTime = std::chrono::seconds(2);
constexpr timespec Tick{0, 100'000'000};

sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::jthread([this, set](std::stop_token own) {
        int signal = 0;
        while (!own.stop_requested() && signal <= 0) signal = sigtimedwait(&set, nullptr, &Tick);
        if (own.stop_requested()) return;
        signal_ = signal;
        source_.request_stop();
        const auto deadline = std::chrono::steady_clock::now() + GraceTime;
        while (!own.stop_requested() && std::chrono::steady_clock::now() < deadline) {
            sigtimedwait(&set, nullptr, &Tick);  // a second signal changes nothing
        }
        if (own.stop_requested()) return;
        // Still running: the signal takes its usual course.
        std::signal(signal, SIG_DFL);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        raise(signal);
    });
}

InterruptWatch::~InterruptWatch() {
    watcher_.request_stop();
    watcher_.join();
}

}  // namespace quillet::cli
