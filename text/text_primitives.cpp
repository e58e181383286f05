#include "text/text_primitives.h"

#include <cstring>

namespace quillet {
namespace {

bool BytesEqual(const char* a, std::string_view b, bool ignoreCase) {
    if (!ignoreCase) return std::memcmp(a, b.data(), b.size()) == 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// Offset of the character after the one at `at`, or npos when a lead byte ends the text.
std::size_t NextCharacter(std::string_view text, std::size_t at) {
    if (!IsLeadByte(text[at])) return at + 1;
    return at + 1 < text.size() ? at + 2 : std::string_view::npos;
}

std::size_t StartOffset(TextPos start) {
    return start < 1 ? 0 : static_cast<std::size_t>(start - 1);
}

}  // namespace

Text AsciiLower(std::string_view text) {
    Text out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

TextPos FindText(std::string_view text, std::string_view find, TextPos start, bool ignoreCase) {
    if (find.empty()) return -1;
    std::size_t at = StartOffset(start);
    while (at < text.size() && text.size() - at >= find.size()) {
        if (BytesEqual(text.data() + at, find, ignoreCase)) return static_cast<TextPos>(at) + 1;
        at = NextCharacter(text, at);
    }
    return -1;
}

TextPos FindTextReverse(std::string_view text, std::string_view find, std::optional<TextPos> start,
                        bool ignoreCase) {
    if (start && *start <= 1) return -1;
    const std::size_t region =
        start ? std::min(text.size(), static_cast<std::size_t>(*start - 1)) : text.size();
    if (find.empty()) return -1;
    TextPos last = -1;
    std::size_t at = 0;
    while (at < region && region - at >= find.size()) {
        if (BytesEqual(text.data() + at, find, ignoreCase)) last = static_cast<TextPos>(at) + 1;
        at = NextCharacter(text, at);
    }
    return last;
}

Text MidText(std::string_view text, TextPos start, TextPos length) {
    if (start < 1 || static_cast<std::size_t>(start - 1) >= text.size() || length <= 0) return {};
    return Text(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
}

Text ReplaceText(std::string_view text, std::string_view find, std::string_view replacement,
                 TextPos start, std::optional<TextPos> count, bool caseSensitive) {
    const std::size_t begin = StartOffset(start);
    const bool unlimited = !count || *count < 0;
    if (text.empty() || find.empty() || begin >= text.size() || (count && *count == 0)) {
        return Text(text);
    }
    TextPos left = unlimited ? 0 : *count;
    Text result(text.substr(0, begin));
    result.reserve(text.size());
    std::size_t at = begin;
    while (text.size() - at >= find.size()) {
        if (BytesEqual(text.data() + at, find, !caseSensitive)) {
            result += replacement;
            at += find.size();
            if (!unlimited && --left == 0) break;
            continue;
        }
        const std::size_t width = IsLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
        result.append(text.substr(at, width));
        at += width;
    }
    result.append(text.substr(at));
    return result;
}

}  // namespace quillet
