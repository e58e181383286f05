#pragma once

// The WinHTTP-shaped operations the page request stands on, one virtual call each, so a test
// can replace any of them (make it fail, record what passes). CurlWinHttp is the real one.
// Texts are the program's GBK texts.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "text/text_types.h"

namespace quillet {

namespace winhttp {
inline constexpr int SchemeHttp = 1;
inline constexpr int SchemeHttps = 2;
inline constexpr int AccessNoProxy = 1;
inline constexpr int AccessNamedProxy = 3;
inline constexpr unsigned FlagSecure = 0x00800000;
inline constexpr int AuthTargetServer = 0;
inline constexpr int AuthTargetProxy = 1;
inline constexpr int AuthSchemeBasic = 1;
inline constexpr int OptionDisableFeature = 63;
inline constexpr int OptionEnableFeature = 79;
inline constexpr std::uint32_t DisableCookies = 1;
inline constexpr std::uint32_t DisableRedirects = 2;
inline constexpr std::uint32_t EnableSslRevocation = 1;
inline constexpr unsigned AddReqFlagAddReplace = 0xA0000000;
inline constexpr int QueryRawHeadersCrlf = 22;
}  // namespace winhttp

struct WinHttpObject;

class WinHttpLayer {
  public:
    /// An open session, connection or request; nullptr for none.
    using Handle = WinHttpObject*;

    /// What CrackUrl takes out of an address.
    struct UrlComponents {
        int scheme = 0;
        Text host{};
        int port = 0;
        Text path{};
        Text extraInfo{};  ///< "?" and the query, when there is one
    };

    virtual ~WinHttpLayer() = default;

    virtual bool CheckPlatform() = 0;
    virtual bool CrackUrl(std::string_view url, UrlComponents& parts) = 0;
    virtual Handle Open(int accessType, std::string_view proxyName) = 0;
    virtual Handle Connect(Handle session, std::string_view host, int port) = 0;
    virtual Handle OpenRequest(Handle connection, std::string_view verb,
                               std::string_view objectName, unsigned flags) = 0;
    virtual bool SetTimeouts(Handle request, int resolveMs, int connectMs, int sendMs,
                             int receiveMs) = 0;
    virtual bool SetCredentials(Handle request, int target, int scheme, std::string_view user,
                                std::string_view password) = 0;
    virtual bool SetOption(Handle request, int option, std::uint32_t value) = 0;
    /// `headers`: lines separated by CR LF.
    virtual bool AddRequestHeaders(Handle request, std::string_view headers,
                                   unsigned modifiers) = 0;
    /// An empty body sends none.
    virtual bool SendRequest(Handle request, std::string_view body) = 0;
    virtual bool ReceiveResponse(Handle request) = 0;
    virtual bool QueryDataAvailable(Handle request, std::size_t& count) = 0;
    virtual bool ReadData(Handle request, char* buffer, std::size_t size, std::size_t& read) = 0;
    /// With too small a buffer (or none) fails and sets `length` to the bytes needed; else
    /// writes the zero-terminated value and sets `length` to its size without the zero.
    virtual bool QueryHeaders(Handle request, int infoLevel, char* buffer, std::size_t& length) = 0;
    virtual void CloseHandle(Handle handle) = 0;
};

/// Settings of the real layer that a caller of the page request never sees.
struct CurlLayerOptions {
    /// Trusted certificates (PEM file) in place of the system's; empty for the system's.
    std::string caFile{};
    /// WinInet only: time-outs of its transfers, which its callers do not set.
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds idleTimeout{30000};
};

/// The WinHTTP operations over libcurl. While it waits on the network it runs the message
/// pump (message_pump.h). Safe to share between threads: handles carry all state.
class CurlWinHttp final : public WinHttpLayer {
  public:
    explicit CurlWinHttp(CurlLayerOptions options = {});

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

  private:
    CurlLayerOptions options_;
};

/// The process-wide real layer.
WinHttpLayer& DefaultWinHttpLayer();

}  // namespace quillet
