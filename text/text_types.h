#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

/// A text: GBK bytes (UTF-8 where a routine says so). An absent text is the empty text.
using Text = std::string;
/// A counted byte sequence that may hold zero bytes; UTF-16 data is kept in it as
/// little-endian 16-bit units.
using Bytes = std::string;
/// A 1-based byte position in a text, or -1 for "not found".
using TextPos = std::int64_t;

/// The text a NUL-terminated reading sees: everything before the first zero byte.
inline std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace quillet
