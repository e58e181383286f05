#include "web/url_parts.h"

#include "text/text_extraction.h"
#include "text/text_primitives.h"
#include "web/spaces.h"

namespace quillet {
namespace {

Text RemoveAll(std::string_view text, std::string_view find) {
    return ReplaceText(text, find, {}, 1, std::nullopt, true);
}

// Everything behind the byte at 1-based position `pos`.
Text RightOf(std::string_view text, TextPos pos) {
    return Text(text.substr(static_cast<std::size_t>(pos)));
}

}  // namespace

Text UrlHost(std::string_view url, bool mainDomainOnly, bool keepPort, std::optional<int> levels) {
    Text s = AsciiLower(url);
    if (!levels) {
        if (s.empty() || s.back() != '/') s += '/';
        if (s.compare(0, 8, "https://") == 0) {
            s = TextBetween(s, "https://", "/");
        } else {
            if (FindText(s, "http://") == -1) s.insert(0, "http://");
            s = TextBetween(s, "http://", "/");
        }
        if (mainDomainOnly) {
            const std::vector<Text> parts = SplitText(s, ".");
            if (parts.size() > 1) s = parts[parts.size() - 2] + "." + parts.back();
        }
    } else {
        s = RemoveAll(RemoveAll(s, "http://"), "https://");
        const std::size_t slash = s.find('/');
        if (slash != Text::npos) s.resize(slash);
        TextPos h = static_cast<TextPos>(s.size());
        for (int i = 0; i < *levels && h != -1; ++i) h = FindTextReverse(s, ".", h);
        const TextPos d1 = h == -1 ? -1 : FindTextReverse(s, ".", h);
        if (mainDomainOnly) {
            if (d1 != -1) s = RightOf(s, d1);
        } else if (d1 != -1) {
            const TextPos d2 = FindTextReverse(s, ".", d1);
            if (d2 != -1) s = RightOf(s, d2);
        }
    }
    if (keepPort) return s;
    const std::size_t colon = s.find(':');
    if (colon != Text::npos) s.resize(colon);
    return s;
}

int UrlPort(std::string_view url) {
    const Text hostPort = UrlHost(url, false, true);
    const std::size_t colon = hostPort.rfind(':');
    if (colon != Text::npos) {
        // Decimal digits from the start of the text after the last colon; saturates rather
        // than overflowing on an absurd number.
        long long value = 0;
        for (std::size_t i = colon + 1; i < hostPort.size(); ++i) {
            const char c = hostPort[i];
            if (c < '0' || c > '9') break;
            value = value * 10 + (c - '0');
            if (value > 0x7FFFFFFF) return 0x7FFFFFFF;
        }
        return static_cast<int>(value);
    }
    return AsciiLower(url.substr(0, 5)) == "https" ? 443 : 80;
}

Text UrlPath(std::string_view url) {
    const Text host = UrlHost(url);
    const TextPos p = FindText(url, host, 1, true);
    const TextPos q = FindText(url, "/", p, true);
    if (q > 0) return Text(url.substr(static_cast<std::size_t>(q - 1)));
    return "/";
}

}  // namespace quillet
