#include "web/cookie_merge.h"

#include <unordered_set>

#include "text/text_extraction.h"
#include "text/text_primitives.h"
#include "web/spaces.h"

namespace quillet {
namespace {

constexpr std::string_view DeletedSuffix = "=deleted";

bool IsDeleted(std::string_view item) {
    return item.size() >= DeletedSuffix.size() &&
           item.substr(item.size() - DeletedSuffix.size()) == DeletedSuffix;
}

}  // namespace

std::optional<Text> SetCookieValues(std::string_view headers) {
    std::optional<Text> values;
    std::size_t pos = 0;
    while (pos < headers.size()) {
        const std::size_t end = headers.find("\r\n", pos);
        const std::string_view line = headers.substr(pos, end - pos);
        pos = end == std::string_view::npos ? headers.size() : end + 2;
        if (line.find("Set-Cookie") == std::string_view::npos) continue;
        const Text value = line.find(';') == std::string_view::npos
                               ? ReplaceText(line, "Set-Cookie:", {})
                               : TextBetween(line, "Set-Cookie:", ";");
        if (values) {
            *values += "; ";
        } else {
            values.emplace();
        }
        *values += TrimSpaces(value);
    }
    return values;
}

Text MergeCookies(Text& held, Text& received) {
    held = RemoveSpaces(held);
    received = RemoveSpaces(received);
    const std::vector<Text> heldList = SplitText(held, ";");
    std::vector<Text> merged = SplitText(received, ";");
    // The names in the merged list, kept beside it so a large jar is not scanned per item.
    std::unordered_set<Text> names;
    for (const Text& item : merged) names.insert(CookieName(item));
    for (const Text& item : heldList) {
        if (names.insert(CookieName(item)).second) merged.push_back(item);
    }
    held.clear();
    for (const Text& item : merged) {
        if (IsDeleted(item)) continue;
        held += item;
        held += "; ";
    }
    held.resize(held.size() >= 2 ? held.size() - 2 : 0);
    held = JoinDistinct(held, "; ");
    return held;
}

Text CookieName(std::string_view item) {
    return TrimSpaces(item.substr(0, item.find('=')));
}

Text JoinDistinct(std::string_view text, std::string_view separator) {
    std::unordered_set<Text> kept;
    Text result;
    for (Text& part : SplitText(text, separator)) {
        if (kept.contains(part)) continue;
        result += part;
        result += separator;
        kept.insert(std::move(part));
    }
    result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
    return result;
}

}  // namespace quillet
