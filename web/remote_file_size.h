#pragma once

// The size of the file behind an address, from the reply's Content-Length, without reading
// the body. Goes through the given proxy (host:port), or else by the system's proxy settings
// (the *_proxy environment variables).

#include <cstdint>

#include "text/text_types.h"
#include "web/wininet_layer.h"

namespace quillet {

/// The Content-Length value, or 0 when there is none or the address cannot be opened.
std::int64_t RemoteFileSize(std::string_view url, std::string_view proxy = {});
std::int64_t RemoteFileSize(WinInetLayer& layer, std::string_view url, std::string_view proxy = {});

/// A number read from the start of `text`: white space skipped, an optional sign, then
/// decimal digits (GBK full-width digits too) up to the first other character; 0 without
/// digits. A value beyond the 64-bit range is held at its limit.
std::int64_t LeadingInteger(std::string_view text);

}  // namespace quillet
