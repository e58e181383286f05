#pragma once

// The stand-in music service run as a child process on 127.0.0.1 for one test: started with
// the given options, stopped when the object goes (and by itself after its lifetime).

#include <string>
#include <vector>

namespace quillet::testing_support {

class StandinProcess {
  public:
    explicit StandinProcess(std::vector<std::string> options = {});
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    /// "127.0.0.1:PORT", empty when the service did not start.
    const std::string& HostPort() const { return hostPort_; }
    /// Changes its behaviour (normal, nomatch, nomp3, nomarker, emptyconvert, song404, slow,
    /// drop); slow replies wait `delayMs`.
    void SetMode(const std::string& mode, int delayMs = 0);
    /// While the gate is closed, every reply is held until it opens again.
    void CloseGate();
    void OpenGate();
    /// Waits until `count` replies are held at the gate; false after `timeoutMs`.
    bool WaitUntilHeld(int count, int timeoutMs = 10000);
    /// The requests it served, one "METHOD target" per line.
    std::string RequestLog();
    /// The body of a GET of `target` on the service.
    std::string Get(const std::string& target);

  private:
    int pid_ = -1;
    std::string hostPort_;
};

}  // namespace quillet::testing_support
