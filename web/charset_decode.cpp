#include "web/charset_decode.h"

#include <unicode/ucnv.h>

#include <memory>

#include "text/code_pages.h"

namespace quillet {

std::optional<Text> DecodeCharsetToGbk(std::string_view bytes, std::string_view charset) {
    const std::string name(charset);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
        ucnv_open(name.c_str(), &status), &ucnv_close);
    if (U_FAILURE(status) || converter == nullptr) return std::nullopt;
    if (bytes.empty()) return Text();
    const auto length = static_cast<int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX / 2));
    std::u16string units;
    status = U_ZERO_ERROR;
    const int32_t needed =
        ucnv_toUChars(converter.get(), nullptr, 0, bytes.data(), length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    units.resize(static_cast<std::size_t>(needed) + 1);
    status = U_ZERO_ERROR;
    ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()), bytes.data(),
                  length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    units.resize(static_cast<std::size_t>(needed));
    return Utf16BytesToGbk(UnitsToBytes(units));
}

}  // namespace quillet
