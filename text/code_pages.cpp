#include "text/code_pages.h"

#include <bit>
#include <cstring>
#include <utility>

#include "text/gbk_table.h"

namespace quillet {
namespace {

// The text with its terminating NUL, as the layer is given it.
std::string_view WithTerminator(std::string_view text) {
    return std::string_view(text.data(), text.size() + 1);
}

}  // namespace

Utf16Bytes UnitsToBytes(std::u16string_view units) {
    Bytes bytes(units.size() * 2, '\0');
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes.data(), units.data(), bytes.size());
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) {
            bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
        }
    }
    return Utf16Bytes(std::move(bytes));
}

std::u16string BytesToUnits(const Utf16Bytes& utf16) {
    const std::string_view utf16Bytes = utf16.view();
    std::u16string units(utf16Bytes.size() / 2, u'\0');
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(units.data(), utf16Bytes.data(), units.size() * 2);
    } else {
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] =
                static_cast<char16_t>(static_cast<unsigned char>(utf16Bytes[2 * i]) |
                                      static_cast<unsigned char>(utf16Bytes[2 * i + 1]) << 8);
        }
    }
    return units;
}

Utf16Bytes MultiByteToUtf16(std::string_view text, int codePage) {
    const std::string owned(UpToNul(text));  // the layer reads the terminator behind it
    const std::string_view input = WithTerminator(owned);
    const std::size_t n = MultiByteToWide(CodePageAcp, input, nullptr, 0);
    std::u16string buffer(n, u'\0');
    if (n > 0) MultiByteToWide(codePage, input, buffer.data(), n);
    return UnitsToBytes(buffer);
}

Text Utf16ToMultiByte(const Utf16Bytes& utf16Bytes, int codePage) {
    std::u16string units = BytesToUnits(utf16Bytes);
    const std::size_t zero = units.find(u'\0');
    if (zero != std::u16string::npos) units.resize(zero + 1);
    if (units.empty() || !IsKnownCodePage(codePage)) return {};

    // Encoded whole, whatever the target: a capacity of twice the system code page's count is
    // too small for UTF-8 of the single bytes 0x80 and 0xFF (three bytes each) and of
    // characters GBK lacks, and a cut name is a different file.
    const std::string buffer = EncodeUnits(codePage, 0, units);
    return Text(UpToNul(buffer));
}

Utf8Bytes GbkToUtf8(std::string_view gbkText) {
    return Utf8Bytes(Utf16ToMultiByte(MultiByteToUtf16(gbkText, CodePageGbk), CodePageUtf8));
}

Text Utf8ToGbk(const Utf8Bytes& utf8Text) {
    // Well-formed UTF-8 never needs more units than its bytes count as GBK, so the sizing of
    // MultiByteToUtf16 cannot cut it, and the GBK encode always fits its own count: the result
    // is the plain conversion. Malformed input takes the sized road.
    const std::string_view text = UpToNul(utf8Text.view());
    bool wellFormed = true;
    const std::u16string units = DecodeUtf8(text, wellFormed);
    if (wellFormed) return EncodeUnits(CodePageGbk, 0, units);
    return Utf16ToMultiByte(MultiByteToUtf16(text), CodePageGbk);
}

Utf16Bytes GbkToUtf16Bytes(std::string_view gbkText, bool dropTerminator) {
    const std::string_view text = UpToNul(gbkText);
    if (text.empty()) return Utf16Bytes();
    std::u16string units = DecodeBytes(CodePageGbk, text);
    if (!dropTerminator) units.push_back(u'\0');
    return UnitsToBytes(units);
}

Text Utf16BytesToGbk(const Utf16Bytes& utf16Bytes) {
    // The buffer is sized for all units, a zero unit and what follows it included, so the
    // encode of the units before the first zero unit always fits.
    std::u16string units = BytesToUnits(utf16Bytes);
    const std::size_t zero = units.find(u'\0');
    if (zero != std::u16string::npos) units.resize(zero);
    return EncodeUnits(CodePageGbk, ComposeCheck, units);
}

void PrepareCodePages() {
    std::u16string units;
    DecodeGbkByTable({}, units);  // the table is built on its first use
}

}  // namespace quillet
