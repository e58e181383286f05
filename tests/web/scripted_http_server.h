#pragma once

// A loopback HTTP server for tests: it listens on 127.0.0.1 only, records the exact bytes of
// every request it receives and answers each connection with the next scripted reply, byte
// for byte. It stops by itself after its lifetime, and at the latest when destroyed.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillet::test {

struct ScriptedReply {
    std::string bytes{};                 ///< sent as they are once the request is in
    std::chrono::milliseconds delay{0};  ///< before answering
    bool neverAnswer = false;  ///< keep the connection open without a word until it closes
    std::chrono::milliseconds pause{0};  ///< between `bytes` and `rest`
    std::string rest{};                  ///< sent after the pause
    /// When set, `rest` goes out one byte at a time, this long apart.
    std::chrono::milliseconds trickle{0};
    bool repeatRest = false;  ///< `rest` again and again until the client goes
};

struct ServerOptions {
    bool tls = false;  ///< speak TLS with the test certificate (tests/web/data)
    std::chrono::seconds lifetime{30};
};

class ScriptedHttpServer {
  public:
    /// Connection n gets reply n; connections beyond the script get the last reply.
    explicit ScriptedHttpServer(std::vector<ScriptedReply> replies, ServerOptions options = {});
    /// Every connection gets these reply bytes.
    explicit ScriptedHttpServer(std::string replyBytes, ServerOptions options = {})
        : ScriptedHttpServer(std::vector<ScriptedReply>{{.bytes = std::move(replyBytes)}},
                             options) {}
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    int Port() const { return port_; }
    /// "http://127.0.0.1:port" + path ("https://" with TLS).
    std::string Url(const std::string& path = "/") const;
    /// The requests received so far, each as its exact bytes (header block and body).
    std::vector<std::string> Requests() const;
    /// Request n, waiting briefly for it to be in; empty when it never came.
    std::string Request(std::size_t n = 0) const;
    int ConnectionCount() const { return connections_.load(); }

    /// The PEM files of the test certificate and its key.
    static std::string CertificateFile();
    static std::string KeyFile();

  private:
    struct Tls;
    void AcceptLoop();
    void Serve(int fd, std::size_t index);
    bool Expired() const;

    std::vector<ScriptedReply> replies_;
    ServerOptions options_;
    std::unique_ptr<Tls> tls_;
    int listenFd_ = -1;
    int port_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_{};
    std::vector<std::thread> handlers_;
    std::thread acceptor_;
};

/// A reply with the given status line, extra header lines (each ending in CR LF) and body,
/// with Content-Length and Connection: close.
std::string HttpReply(const std::string& statusLine, const std::string& headerLines,
                      const std::string& body);

}  // namespace quillet::test
