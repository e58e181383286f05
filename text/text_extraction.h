#pragma once

#include <optional>

#include "text/text_types.h"

namespace quillet {

/// The quote marker "#引号" (GBK 23 D2 FD BA C5): inside a marker or a pattern it stands for
/// one double quote.
inline constexpr std::string_view QuoteMarker = "#\xD2\xFD\xBA\xC5";

/// Every quote marker of `text` replaced by a double quote.
Text ResolveQuoteMarkers(std::string_view text);

/// The bytes strictly between the first left marker at or after `start` (0 = from the
/// beginning) and the first right marker behind it; empty when either is missing.
Text TextBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                 TextPos start = 0, bool ignoreCase = false);

/// Applies up to five find/replacement pairs in order, each to the result of the one before,
/// with the same count (every occurrence when not given), start (0 means 1) and letter case
/// rule. A pair with an empty find text changes nothing.
Text ReplaceBatch(std::string_view text, std::optional<TextPos> count, TextPos start,
                  bool caseSensitive, std::string_view find1, std::string_view replacement1,
                  std::string_view find2 = {}, std::string_view replacement2 = {},
                  std::string_view find3 = {}, std::string_view replacement3 = {},
                  std::string_view find4 = {}, std::string_view replacement4 = {},
                  std::string_view find5 = {}, std::string_view replacement5 = {});

}  // namespace quillet
