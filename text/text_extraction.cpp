#include "text/text_extraction.h"

#include "text/text_primitives.h"

namespace quillet {

Text ResolveQuoteMarkers(std::string_view text) {
    return ReplaceText(text, QuoteMarker, "\"", 1, std::nullopt, true);
}

Text TextBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                 TextPos start, bool ignoreCase) {
    const Text left = ResolveQuoteMarkers(leftMarker);
    const Text right = ResolveQuoteMarkers(rightMarker);
    const TextPos l = FindText(text, left, start, ignoreCase);
    if (l == -1) return {};
    const TextPos a = l + static_cast<TextPos>(left.size());
    const TextPos r = FindText(text, right, a, ignoreCase);
    if (r == -1) return {};
    return MidText(text, a, r - a);
}

Text ReplaceBatch(std::string_view text, std::optional<TextPos> count, TextPos start,
                  bool caseSensitive, std::string_view find1, std::string_view replacement1,
                  std::string_view find2, std::string_view replacement2, std::string_view find3,
                  std::string_view replacement3, std::string_view find4,
                  std::string_view replacement4, std::string_view find5,
                  std::string_view replacement5) {
    if (start == 0) start = 1;
    const std::pair<std::string_view, std::string_view> pairs[] = {{find1, replacement1},
                                                                   {find2, replacement2},
                                                                   {find3, replacement3},
                                                                   {find4, replacement4},
                                                                   {find5, replacement5}};
    Text result(text);
    for (const auto& [find, replacement] : pairs) {
        result = ReplaceText(result, find, replacement, start, count, caseSensitive);
    }
    return result;
}

}  // namespace quillet
