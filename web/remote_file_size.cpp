#include "web/remote_file_size.h"

#include <limits>

namespace quillet {
namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The digit value at `pos` and its length in bytes (1 ASCII, 2 for A3 B0 to A3 B9), or -1.
int DigitAt(std::string_view text, std::size_t pos, std::size_t& length) {
    const char c = text[pos];
    if (c >= '0' && c <= '9') {
        length = 1;
        return c - '0';
    }
    if (pos + 1 < text.size() && static_cast<unsigned char>(c) == 0xA3) {
        const auto trail = static_cast<unsigned char>(text[pos + 1]);
        if (trail >= 0xB0 && trail <= 0xB9) {
            length = 2;
            return trail - 0xB0;
        }
    }
    return -1;
}

}  // namespace

std::int64_t LeadingInteger(std::string_view text) {
    std::size_t pos = 0;
    for (;;) {
        if (pos < text.size() && IsWhiteSpace(text[pos])) {
            ++pos;
        } else if (text.substr(pos, 2) == "\xA1\xA1") {
            pos += 2;
        } else {
            break;
        }
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    constexpr std::uint64_t Limit = std::numeric_limits<std::int64_t>::max();
    std::uint64_t value = 0;
    bool saturated = false;
    while (pos < text.size()) {
        std::size_t length = 0;
        const int digit = DigitAt(text, pos, length);
        if (digit < 0) break;
        pos += length;
        if (saturated) continue;
        value = value * 10 + static_cast<std::uint64_t>(digit);
        if (value > Limit) saturated = true;
    }
    if (saturated) {
        return negative ? std::numeric_limits<std::int64_t>::min()
                        : std::numeric_limits<std::int64_t>::max();
    }
    return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

std::int64_t RemoteFileSize(std::string_view url, std::string_view proxy) {
    return RemoteFileSize(DefaultWinInetLayer(), url, proxy);
}

std::int64_t RemoteFileSize(WinInetLayer& layer, std::string_view url, std::string_view proxy) {
    const WinInetLayer::Handle internet = proxy.empty()
                                              ? layer.Open({}, wininet::OpenTypePreconfig, {})
                                              : layer.Open({}, wininet::OpenTypeProxy, proxy);
    if (internet == nullptr) return 0;
    const WinInetLayer::Handle address = layer.OpenUrl(internet, url, {}, wininet::FlagReload);
    if (address == nullptr) {
        layer.CloseHandle(internet);
        return 0;
    }
    std::size_t length = 0;
    layer.QueryInfo(address, wininet::QueryContentLength, nullptr, length);
    Text value(length, ' ');
    if (length > 0) layer.QueryInfo(address, wininet::QueryContentLength, value.data(), length);
    // Closing the address ends the transfer: the body is never read.
    layer.CloseHandle(address);
    layer.CloseHandle(internet);
    return LeadingInteger(UpToNul(value));
}

}  // namespace quillet
