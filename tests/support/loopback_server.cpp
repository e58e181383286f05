#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace quillet::testing_support {
namespace {

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() <= 0 ? 0 : static_cast<int>(std::min<long long>(left.count(), 100));
}

}  // namespace

LoopbackServer::LoopbackServer(std::string reply, Mode mode, std::chrono::seconds lifeTime)
    : reply_(std::move(reply)),
      mode_(mode),
      deadline_(std::chrono::steady_clock::now() + lifeTime) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t length = sizeof addr;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 8) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        throw std::runtime_error("loopback listen failed");
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    thread_.join();
    close(listenFd_);
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::Serve() {
    std::vector<int> silent;  // connections held open without an answer
    while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, MillisecondsLeft(deadline_)) <= 0) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (mode_ == Mode::Silent) {
            silent.push_back(fd);
            continue;
        }
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && !stop_ &&
               std::chrono::steady_clock::now() < deadline_) {
            pollfd c{fd, POLLIN, 0};
            if (poll(&c, 1, MillisecondsLeft(deadline_)) <= 0) continue;
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        std::size_t sent = 0;
        while (sent < reply_.size()) {
            ssize_t n = send(fd, reply_.data() + sent, reply_.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        shutdown(fd, SHUT_WR);
        close(fd);
    }
    for (int fd : silent) close(fd);
}

}  // namespace quillet::testing_support
