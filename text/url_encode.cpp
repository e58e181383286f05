#include "text/url_encode.h"

#include "text/code_pages.h"

namespace quillet {
namespace {

bool IsKeptUnreserved(unsigned char b) {
    return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
           (b >= 'a' && b <= 'z');
}

}  // namespace

Text UrlEncode(std::string_view text, bool keepUnreserved, bool asUtf8) {
    text = UpToNul(text);
    if (text.empty()) return {};
    const std::string utf8 = asUtf8 ? GbkToUtf8(text).str() : std::string();
    const std::string_view bytes = asUtf8 ? std::string_view(utf8) : text;

    static constexpr char Digits[] = "0123456789ABCDEF";
    Text result;
    result.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (keepUnreserved && IsKeptUnreserved(b)) {
            result.push_back(c);
        } else {
            result.push_back('%');
            result.push_back(Digits[b >> 4]);
            result.push_back(Digits[b & 0x0F]);
        }
    }
    return result;
}

}  // namespace quillet
