// The code-page conversions and URL encoding.

#include "text/code_pages.h"
#include "fuzz/fuzz_input.h"
#include "text/url_encode.h"

using namespace quillet;
using quillet::fuzz::Check;

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Undoes UrlEncode.
std::string PercentDecode(std::string_view encoded) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() + 0 && IsHex(encoded[i + 1]) &&
            IsHex(encoded[i + 2])) {
            out.push_back(
                static_cast<char>(std::stoi(std::string(encoded.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(encoded[i]);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const bool keepUnreserved = input.Flag();
    const std::string bytes = input.Rest();
    const std::string_view text = UpToNul(bytes);

    // Every valid GBK text (one that decodes without a replacement character and encodes back
    // to itself) survives both round trips unchanged, and no conversion cuts it.
    const std::u16string units = DecodeBytes(CodePageGbk, text);
    const bool validGbk =
        units.find(u'\uFFFD') == std::u16string::npos && EncodeUnits(CodePageGbk, 0, units) == text;
    const Utf8Bytes utf8 = GbkToUtf8(text);
    Check(utf8 == EncodeUnits(CodePageUtf8, 0, units), "GbkToUtf8 never cuts");
    if (validGbk) {
        Check(Utf8ToGbk(utf8) == text, "GBK -> UTF-8 -> GBK");
        Check(Utf16BytesToGbk(GbkToUtf16Bytes(text)) == text, "GBK -> UTF-16 -> GBK");
    }

    // UTF-8 input: the GBK result never loses a character, so it converts back to as many
    // characters as the input had.
    const Text gbk = Utf8ToGbk(Utf8Bytes(text));
    Check(gbk.find('\0') == std::string::npos, "no NUL inside a text");
    Check(Utf8ToGbk(GbkToUtf8(gbk)) == gbk, "the GBK of any input is a valid text");
    const Utf16Bytes wide = MultiByteToUtf16(text);
    // Sized by the system code page's count, terminator included (malformed UTF-8 may fill it
    // to the end; its readers stop there).
    Check(wide.size() % 2 == 0 && wide.size() >= 2, "MultiByteToUtf16 holds whole units");

    const Text encoded = UrlEncode(text, keepUnreserved, false);
    Check(PercentDecode(encoded) == text, "URL encoding is undone by decoding");
    if (!keepUnreserved) Check(encoded.size() == 3 * text.size(), "every byte escaped");
    Check(utf8 == PercentDecode(UrlEncode(text, keepUnreserved, true)), "URL encoding of UTF-8");
    return 0;
}
