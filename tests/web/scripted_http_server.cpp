#include "tests/web/scripted_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#ifndef QUILLET_TEST_DATA_DIR
#error "QUILLET_TEST_DATA_DIR must name tests/web/data"
#endif

namespace quillet::test {
namespace {

constexpr int SliceMs = 50;
constexpr std::size_t MaxRequestBytes = 4 << 20;

std::size_t ContentLength(const std::string& head) {
    // Letter case is ignored, as in HTTP.
    std::string lower = head;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return static_cast<std::size_t>(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
}

}  // namespace

struct ScriptedHttpServer::Tls {
    SSL_CTX* context = nullptr;
    ~Tls() { SSL_CTX_free(context); }
};

std::string ScriptedHttpServer::CertificateFile() {
    return std::string(QUILLET_TEST_DATA_DIR) + "/test_cert.pem";
}

std::string ScriptedHttpServer::KeyFile() {
    return std::string(QUILLET_TEST_DATA_DIR) + "/test_key.pem";
}

ScriptedHttpServer::ScriptedHttpServer(std::vector<ScriptedReply> replies, ServerOptions options)
    : replies_(std::move(replies)), options_(options) {
    std::signal(SIGPIPE, SIG_IGN);
    if (replies_.empty()) replies_.push_back({});
    if (options_.tls) {
        tls_ = std::make_unique<Tls>();
        tls_->context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_file(tls_->context, CertificateFile().c_str(), SSL_FILETYPE_PEM);
        SSL_CTX_use_PrivateKey_file(tls_->context, KeyFile().c_str(), SSL_FILETYPE_PEM);
    }
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listenFd_, 16);
    socklen_t length = sizeof address;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    deadline_ = std::chrono::steady_clock::now() + options_.lifetime;
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    stop_ = true;
    acceptor_.join();
    for (std::thread& handler : handlers_) handler.join();
    close(listenFd_);
}

std::string ScriptedHttpServer::Url(const std::string& path) const {
    return (options_.tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) +
           path;
}

std::vector<std::string> ScriptedHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string ScriptedHttpServer::Request(std::size_t n) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (n < requests_.size()) return requests_[n];
        }
        if (std::chrono::steady_clock::now() > until) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool ScriptedHttpServer::Expired() const {
    return stop_ || std::chrono::steady_clock::now() > deadline_;
}

void ScriptedHttpServer::AcceptLoop() {
    std::size_t index = 0;
    while (!Expired()) {
        pollfd ready{listenFd_, POLLIN, 0};
        if (poll(&ready, 1, SliceMs) <= 0) continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++connections_;
        std::lock_guard lock(mutex_);
        handlers_.emplace_back([this, fd, i = index++] { Serve(fd, i); });
    }
}

void ScriptedHttpServer::Serve(int fd, std::size_t index) {
    const ScriptedReply& reply = replies_[std::min(index, replies_.size() - 1)];
    timeval slice{0, SliceMs * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &slice, sizeof slice);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &slice, sizeof slice);
    SSL* ssl = nullptr;

    // Reads: bytes, 0 at the end, -1 for "nothing yet", -2 for an error.
    auto readSome = [&](char* buffer, int size) -> int {
        if (ssl == nullptr) {
            const ssize_t n = recv(fd, buffer, static_cast<std::size_t>(size), 0);
            if (n >= 0) return static_cast<int>(n);
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : -2;
        }
        const int n = SSL_read(ssl, buffer, size);
        if (n > 0) return n;
        const int error = SSL_get_error(ssl, n);
        if (error == SSL_ERROR_ZERO_RETURN) return 0;
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return -1;
        if (error == SSL_ERROR_SYSCALL && (errno == EAGAIN || errno == EWOULDBLOCK)) return -1;
        return -2;
    };
    // True when every byte went out.
    auto writeAll = [&](const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size() && !Expired()) {
            const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 16));
            int n = 0;
            if (ssl == nullptr) {
                const ssize_t w =
                    send(fd, bytes.data() + sent, static_cast<std::size_t>(chunk), MSG_NOSIGNAL);
                if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
                n = static_cast<int>(w);
            } else {
                n = SSL_write(ssl, bytes.data() + sent, chunk);
                if (n <= 0) {
                    const int error = SSL_get_error(ssl, n);
                    if (error == SSL_ERROR_WANT_WRITE || error == SSL_ERROR_WANT_READ) continue;
                    if (error == SSL_ERROR_SYSCALL && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                        continue;
                    }
                }
            }
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return sent == bytes.size();
    };

    bool ok = true;
    if (tls_) {
        ssl = SSL_new(tls_->context);
        SSL_set_fd(ssl, fd);
        ok = false;
        while (!Expired()) {
            const int r = SSL_accept(ssl);
            if (r == 1) {
                ok = true;
                break;
            }
            const int error = SSL_get_error(ssl, r);
            const bool again = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ||
                               (error == SSL_ERROR_SYSCALL && (errno == EAGAIN || errno == EINTR));
            if (!again) break;
        }
    }

    // The request: the header block, then as many body bytes as its Content-Length says.
    std::string request;
    std::size_t wanted = std::string::npos;
    char buffer[16384];
    while (ok && !Expired() && request.size() < MaxRequestBytes) {
        if (wanted == std::string::npos) {
            const std::size_t end = request.find("\r\n\r\n");
            if (end != std::string::npos) wanted = end + 4 + ContentLength(request.substr(0, end));
        }
        if (wanted != std::string::npos && request.size() >= wanted) break;
        const int n = readSome(buffer, sizeof buffer);
        if (n == -1) continue;
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }

    const auto answerAt = std::chrono::steady_clock::now() + reply.delay;
    while (ok && !Expired() && std::chrono::steady_clock::now() < answerAt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ok && !reply.neverAnswer) {
        writeAll(reply.bytes);
        if (!reply.rest.empty()) {
            const auto restAt = std::chrono::steady_clock::now() + reply.pause;
            while (!Expired() && std::chrono::steady_clock::now() < restAt) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (reply.trickle.count() > 0) {
                for (std::size_t i = 0; i < reply.rest.size() && !Expired(); ++i) {
                    if (!writeAll(reply.rest.substr(i, 1))) break;
                    const auto next = std::chrono::steady_clock::now() + reply.trickle;
                    while (!Expired() && std::chrono::steady_clock::now() < next) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    }
                }
            } else {
                while (writeAll(reply.rest) && reply.repeatRest && !Expired()) {
                }
            }
        }
    }
    // Wait for the client to close (or to see our end), so nothing it still reads is lost.
    if (ok && !reply.neverAnswer) {
        if (ssl != nullptr) SSL_shutdown(ssl);
        shutdown(fd, SHUT_WR);
    }
    const auto drainUntil = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!Expired() && (reply.neverAnswer || std::chrono::steady_clock::now() < drainUntil)) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) break;
    }
    if (ssl != nullptr) SSL_free(ssl);
    close(fd);
}

std::string HttpReply(const std::string& statusLine, const std::string& headerLines,
                      const std::string& body) {
    return statusLine + "\r\n" + headerLines + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace quillet::test
