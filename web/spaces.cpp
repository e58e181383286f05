#include "web/spaces.h"

namespace quillet {
namespace {

constexpr std::string_view FullWidthSpace = "\xA1\xA1";

// Length of the space starting at `pos`, 0 when none starts there.
std::size_t SpaceAt(std::string_view text, std::size_t pos) {
    if (text[pos] == ' ') return 1;
    if (text.substr(pos, 2) == FullWidthSpace) return 2;
    return 0;
}

// Steps over one character: a lead byte of 0x80 or above takes its trail byte with it.
std::size_t CharLength(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size() ? 2 : 1;
}

}  // namespace

Text TrimSpaces(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t n = SpaceAt(text, begin);
        if (n == 0) break;
        begin += n;
    }
    // Find the end by walking forward, so a trail byte A1 is never taken for half a space.
    std::size_t end = begin;
    std::size_t pos = begin;
    while (pos < text.size()) {
        const std::size_t space = SpaceAt(text, pos);
        const std::size_t step = space != 0 ? space : CharLength(text, pos);
        pos += step;
        if (space == 0) end = pos;
    }
    return Text(text.substr(begin, end - begin));
}

Text RemoveSpaces(std::string_view text) {
    Text out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t space = SpaceAt(text, pos);
        if (space != 0) {
            pos += space;
            continue;
        }
        const std::size_t step = CharLength(text, pos);
        out.append(text.substr(pos, step));
        pos += step;
    }
    return out;
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator) {
    std::vector<Text> items;
    if (text.empty()) return items;
    if (separator.empty()) {
        items.emplace_back(text);
        return items;
    }
    std::size_t begin = 0;
    for (;;) {
        const std::size_t hit = text.find(separator, begin);
        if (hit == std::string_view::npos) break;
        items.emplace_back(text.substr(begin, hit - begin));
        begin = hit + separator.size();
    }
    if (begin < text.size()) items.emplace_back(text.substr(begin));
    return items;
}

}  // namespace quillet
