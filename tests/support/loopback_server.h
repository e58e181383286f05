#pragma once

// A scripted HTTP server on 127.0.0.1 for tests: it takes one connection at a time, records
// the exact request bytes (up to the blank line), sends the scripted reply bytes and closes.
// A silent server accepts and never answers. It stops by itself when destroyed or after its
// life time, whichever comes first.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillet::testing_support {

class LoopbackServer {
  public:
    enum class Mode { Answer, Silent };

    LoopbackServer(std::string reply, Mode mode = Mode::Answer,
                   std::chrono::seconds lifeTime = std::chrono::seconds(20));
    ~LoopbackServer();

    int Port() const { return port_; }
    std::string Url(const std::string& path) const;
    std::vector<std::string> Requests() const;

  private:
    void Serve();

    std::string reply_;
    Mode mode_;
    std::chrono::steady_clock::time_point deadline_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace quillet::testing_support
