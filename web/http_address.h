#pragma once

// Small pieces the two libcurl layers share. Internal to web/.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// "http[s]://host:port" followed by `objectName`, with spaces, control bytes and bytes of
/// 0x80 and above percent-encoded (the GBK bytes of the object name go out as they are).
std::string TransferUrl(bool secure, std::string_view host, int port, std::string_view objectName);

/// The proxy that a WinINet/WinHTTP-style proxy list names for `scheme` ("http" or "https"):
/// entries are separated by ";" or spaces; "scheme=host:port" applies to that scheme only,
/// a bare "host:port" to every scheme. Empty when none applies.
std::string ProxyForScheme(std::string_view proxyList, std::string_view scheme);

/// The header lines of a CR LF separated block, empty lines skipped, appended to `lines`.
/// A line that is no header (no ":", or one first) or holds a CR, LF or NUL of its own is
/// left out; false when there was such a line.
bool SplitHeaderLines(std::string_view block, std::vector<std::string>& lines);

/// Copies `value` and a closing NUL into `buffer` when `length` leaves room, setting `length`
/// to the bytes copied; otherwise sets `length` to the room needed and returns false.
bool CopyWithNul(std::string_view value, char* buffer, std::size_t& length);

/// The most body bytes a page request takes.
inline constexpr std::size_t MaxPageBodyBytes = std::size_t{64} << 20;

/// However a reply goes, an exchange ends after this multiple of its longest time-out.
inline constexpr int TotalTimeoutFactor = 4;

}  // namespace quillet
