#pragma once

// The WinInet-shaped operations the second page request and the remote size query stand on,
// one virtual call each so tests can replace them. CurlWinInet is the real one.

#include <cstdint>

#include "text/text_types.h"
#include "web/winhttp_layer.h"

namespace quillet {

namespace wininet {
inline constexpr int OpenTypePreconfig = 0;
inline constexpr int OpenTypeDirect = 1;
inline constexpr int OpenTypeProxy = 3;
inline constexpr int ServiceHttp = 3;
inline constexpr unsigned FlagReload = 0x80000000;
inline constexpr unsigned FlagNeedFile = 0x00000010;
inline constexpr unsigned FlagNoCookies = 0x00080000;
inline constexpr unsigned FlagNoAutoRedirect = 0x00200000;
inline constexpr unsigned FlagSecure = 0x00800000;
inline constexpr unsigned FlagIgnoreRedirectToHttps = 0x00004000;
inline constexpr int QueryContentLength = 5;
inline constexpr int QueryRawHeadersCrlf = 22;
}  // namespace wininet

struct WinInetObject;

class WinInetLayer {
  public:
    /// An open internet handle, connection, request or address; nullptr for none.
    using Handle = WinInetObject*;

    virtual ~WinInetLayer() = default;

    virtual Handle Open(std::string_view agent, int accessType, std::string_view proxyName) = 0;
    virtual Handle Connect(Handle internet, std::string_view host, int port, int service) = 0;
    virtual Handle OpenRequest(Handle connection, std::string_view verb,
                               std::string_view objectName, std::string_view version,
                               unsigned flags) = 0;
    /// Sends the request and waits for the reply headers. `headers`: lines separated by CR LF.
    virtual bool SendRequest(Handle request, std::string_view headers, std::string_view body) = 0;
    /// Opens an address in one go (request sent, reply headers in).
    virtual Handle OpenUrl(Handle internet, std::string_view url, std::string_view headers,
                           unsigned flags) = 0;
    /// `read` is 0 at the end of the body and after a failed read.
    virtual bool ReadFile(Handle request, char* buffer, std::size_t size, std::size_t& read) = 0;
    /// With a buffer too small (or none) fails and sets `length` to the bytes needed, the
    /// terminating zero included; else writes the zero-terminated value and sets `length` to
    /// its size without the zero.
    virtual bool QueryInfo(Handle request, int infoLevel, char* buffer, std::size_t& length) = 0;
    virtual void CloseHandle(Handle handle) = 0;
};

/// The WinInet operations over libcurl. Time-outs come from the options (its callers set
/// none). Safe to share between threads: handles carry all state.
class CurlWinInet final : public WinInetLayer {
  public:
    explicit CurlWinInet(CurlLayerOptions options = {});

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
    CurlLayerOptions options_;
};

/// The process-wide real layer.
WinInetLayer& DefaultWinInetLayer();

}  // namespace quillet
