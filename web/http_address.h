#pragma once

// Small pieces the two libcurl layers share. Internal to web/.

#include <string>
#include <string_view>

namespace quillet {

/// "http[s]://host:port" followed by `objectName`, with spaces, control bytes and bytes of
/// 0x80 and above percent-encoded (the GBK bytes of the object name go out as they are).
std::string TransferUrl(bool secure, std::string_view host, int port, std::string_view objectName);

/// The proxy that a WinINet/WinHTTP-style proxy list names for `scheme` ("http" or "https"):
/// entries are separated by ";" or spaces; "scheme=host:port" applies to that scheme only,
/// a bare "host:port" to every scheme. Empty when none applies.
std::string ProxyForScheme(std::string_view proxyList, std::string_view scheme);

}  // namespace quillet
