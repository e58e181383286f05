#pragma once

// Searching, cutting and replacing inside GBK texts. Positions are 1-based byte positions and
// -1 means "not found". Scans step over a double-byte character (first byte 0x80 or above) as
// one unit, so a find text never matches from a character's second byte. Ignoring case folds
// only the ASCII letters.

#include <optional>

#include "text/text_types.h"

namespace quillet {

/// The byte with A-Z made a-z; every other byte (GBK bytes included) as it is.
constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/// The text with A-Z made a-z, byte by byte.
Text AsciiLower(std::string_view text);

/// Position of the first occurrence at or after `start` (below 1 means the first byte).
/// An empty find text is never found.
TextPos FindText(std::string_view text, std::string_view find, TextPos start = 1,
                 bool ignoreCase = false);

/// Position of the last occurrence lying wholly inside the first start - 1 bytes (the whole
/// text when no start is given; nothing when start is 1 or below).
TextPos FindTextReverse(std::string_view text, std::string_view find,
                        std::optional<TextPos> start = std::nullopt, bool ignoreCase = false);

/// At most `length` bytes from position `start`; empty when start lies outside the text or
/// the length is not positive.
Text MidText(std::string_view text, TextPos start, TextPos length);

/// The text with occurrences of `find` from `start` on replaced, at most `count` of them
/// (every one when no count or a negative count is given; none for 0). Case is ignored
/// unless caseSensitive; replaced text is never scanned again.
Text ReplaceText(std::string_view text, std::string_view find, std::string_view replacement = {},
                 TextPos start = 1, std::optional<TextPos> count = std::nullopt,
                 bool caseSensitive = false);

}  // namespace quillet
