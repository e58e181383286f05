#pragma once

// Turns SIGINT, SIGTERM and SIGHUP into a stop request, so that running downloads end and take
// their temporary files with them. A program that has not ended a little later still dies of
// the signal, as it would have at once.

#include <atomic>
#include <stop_token>
#include <thread>

namespace quillet::cli {

class InterruptWatch {
  public:
    /// Blocks the signals in the calling thread and in every thread it starts from now on;
    /// make it before any other thread.
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    std::stop_token Token() const { return source_.get_token(); }
    /// The signal that came, 0 when none did.
    int Signal() const { return signal_; }

  private:
    std::stop_source source_;
    std::atomic<int> signal_{0};
    std::jthread watcher_;
};

}  // namespace quillet::cli
