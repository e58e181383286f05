#pragma once

// Layers for tests: they pass every call to a real layer, write down what passed, and can
// make one chosen operation fail.

#include <algorithm>
#include <string>
#include <vector>

#include "web/winhttp_layer.h"
#include "web/wininet_layer.h"

namespace quillet::test {

/// True when `entry` ("Name args") is matched by one of `failing`.
bool Matches(const std::vector<std::string>& failing, const std::string& entry);

class RecordingWinHttp final : public WinHttpLayer {
  public:
    explicit RecordingWinHttp(WinHttpLayer& real) : real_(real) {}

    /// Calls that fail: an operation's name ("SetTimeouts"), or its name and the start of its
    /// arguments as written down in `calls` ("SetOption 63 2").
    std::vector<std::string> failing;
    /// One entry per call: the operation's name and its arguments, e.g. "Open 3 http=h:1".
    std::vector<std::string> calls;
    /// The order in which handles were closed, by what they were: "session", "connection",
    /// "request".
    std::vector<std::string> closed;

    /// The recorded call whose name starts with `prefix`, or empty.
    std::string Call(const std::string& prefix) const;
    /// Every recorded call that starts with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix) const;

    bool CheckPlatform() override;
    bool CrackUrl(std::string_view url, UrlComponents& parts) override;
    Handle Open(int accessType, std::string_view proxyName) override;
    Handle Connect(Handle session, std::string_view host, int port) override;
    Handle OpenRequest(Handle connection, std::string_view verb, std::string_view objectName,
                       unsigned flags) override;
    bool SetTimeouts(Handle request, int resolveMs, int connectMs, int sendMs,
                     int receiveMs) override;
    bool SetCredentials(Handle request, int target, int scheme, std::string_view user,
                        std::string_view password) override;
    bool SetOption(Handle request, int option, std::uint32_t value) override;
    bool AddRequestHeaders(Handle request, std::string_view headers, unsigned modifiers) override;
    bool SendRequest(Handle request, std::string_view body) override;
    bool ReceiveResponse(Handle request) override;
    bool QueryDataAvailable(Handle request, std::size_t& count) override;
    bool ReadData(Handle request, char* buffer, std::size_t size, std::size_t& read) override;
    bool QueryHeaders(Handle request, int infoLevel, char* buffer, std::size_t& length) override;
    void CloseHandle(Handle handle) override;

    /// With "ReadData" failing, the reads that succeed first.
    int readsBeforeFailing = 0;

  private:
    bool Fails(const char* name, std::string entry);

    WinHttpLayer& real_;
    std::vector<std::pair<Handle, std::string>> open_;
    int reads_ = 0;
};

class RecordingWinInet final : public WinInetLayer {
  public:
    explicit RecordingWinInet(WinInetLayer& real) : real_(real) {}

    std::vector<std::string> failing;  ///< as for RecordingWinHttp
    std::vector<std::string> calls;
    std::vector<std::string> closed;
    std::string Call(const std::string& prefix) const;

    Handle Open(std::string_view agent, int accessType, std::string_view proxyName) override;
    Handle Connect(Handle internet, std::string_view host, int port, int service) override;
    Handle OpenRequest(Handle connection, std::string_view verb, std::string_view objectName,
                       std::string_view version, unsigned flags) override;
    bool SendRequest(Handle request, std::string_view headers, std::string_view body) override;
    Handle OpenUrl(Handle internet, std::string_view url, std::string_view headers,
                   unsigned flags) override;
    bool ReadFile(Handle request, char* buffer, std::size_t size, std::size_t& read) override;
    bool QueryInfo(Handle request, int infoLevel, char* buffer, std::size_t& length) override;
    void CloseHandle(Handle handle) override;

  private:
    bool Fails(const char* name, std::string entry);

    WinInetLayer& real_;
    std::vector<std::pair<Handle, std::string>> open_;
};

}  // namespace quillet::test
