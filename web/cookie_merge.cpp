#include "web/cookie_merge.h"

#include <unordered_set>

#include "web/spaces.h"

namespace quillet {
namespace {

constexpr std::string_view DeletedSuffix = "=deleted";

bool IsDeleted(std::string_view item) {
    return item.size() >= DeletedSuffix.size() &&
           item.substr(item.size() - DeletedSuffix.size()) == DeletedSuffix;
}

}  // namespace

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

bool HasCookieNamed(const std::vector<Text>& list, std::string_view name) {
    for (const Text& item : list) {
        if (CookieName(item) == name) return true;
    }
    return false;
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

int IndexOfText(const std::vector<Text>& list, std::string_view text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) return static_cast<int>(i) + 1;
    }
    return -1;
}

}  // namespace quillet
