#pragma once

// INI files read and written one key at a time, the way the classic profile functions do:
// sections and keys match without regard to ASCII letter case, blanks around keys and values
// carry no meaning, a write updates the one key in place and keeps every other line byte for
// byte. Files hold GBK; CR LF, LF and a lone CR end a line alike.

#include <string_view>

#include "text/text_types.h"

namespace quillet {

/// Files larger than this are treated as unreadable: reads yield the default, writes fail.
inline constexpr std::size_t MaxIniFileBytes = 8 * 1024 * 1024;

/// The value of `key` in `section` of the INI text `content`, or `defaultValue` when the key
/// is missing. A value enclosed in one pair of double quotes loses them.
Text IniLookup(std::string_view content, std::string_view section, std::string_view key,
               std::string_view defaultValue);

/// `content` with `key` of `section` set to `value`: the key's line replaced in place, or a
/// new line after the section's last key, or a new section at the end.
Bytes IniUpdate(std::string_view content, std::string_view section, std::string_view key,
                std::string_view value);

/// IniLookup over a file; a missing or unreadable file yields the default.
Text ReadIniValue(std::string_view path, std::string_view section, std::string_view key,
                  std::string_view defaultValue);

/// IniUpdate over a file, which is replaced whole (a new file beside it, renamed over it) so
/// that a failed write leaves the old file as it was. False when the file cannot be read or
/// written, or when the section, key or value holds CR or LF; nothing is created then.
bool WriteIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value);

}  // namespace quillet
