#include "text/code_page_layer.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "text/gbk_table.h"

namespace quillet {
namespace {

constexpr UChar32 ReplacementCharacter = 0xFFFD;

bool IsGbk(int codePage) {
    return codePage == CodePageAcp || codePage == CodePageGbk;
}

// Writes "?" for every character the code page lacks. ICU's own substitution silently drops
// default-ignorable characters (U+200B, U+FEFF, U+00AD, ...), which would make them vanish from
// a text and from its size.
void SubstituteEveryCharacter(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                              UChar32, UConverterCallbackReason reason, UErrorCode* err) {
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
    *err = U_ZERO_ERROR;
    ucnv_cbFromUWriteSub(args, 0, err);
}

// One windows-936 converter per thread: opening one per call would dominate short conversions.
UConverter* GbkConverter() {
    struct Holder {
        std::unique_ptr<UConverter, decltype(&ucnv_close)> cnv{nullptr, &ucnv_close};
    };
    thread_local Holder holder;
    if (!holder.cnv) {
        UErrorCode err = U_ZERO_ERROR;
        holder.cnv.reset(ucnv_open("windows-936", &err));
        if (U_FAILURE(err)) holder.cnv.reset();
        if (holder.cnv) {
            ucnv_setSubstChars(holder.cnv.get(), "?", 1, &err);
            ucnv_setFromUCallBack(holder.cnv.get(), SubstituteEveryCharacter, nullptr, nullptr,
                                  nullptr, &err);
        }
    }
    if (holder.cnv) ucnv_reset(holder.cnv.get());
    return holder.cnv.get();
}

std::u16string DecodeGbk(std::string_view bytes) {
    std::u16string out;
    if (DecodeGbkByTable(bytes, out)) return out;
    UConverter* cnv = GbkConverter();
    if (!cnv) return {};
    out.assign(bytes.size() + 1, u'\0');  // a GBK byte never yields more than one unit
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &err);
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::string EncodeGbk(std::u16string_view units) {
    std::string out;
    if (units.empty() || EncodeGbkByTable(units, out)) return out;
    UConverter* cnv = GbkConverter();
    if (!cnv) return {};
    out.assign(units.size() * 2 + 1, '\0');  // at most two bytes per unit
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                                      units.data(), static_cast<int32_t>(units.size()), &err);
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::string EncodeUtf8(std::u16string_view units) {
    if (units.empty()) return {};
    std::string out(units.size() * 3, '\0');
    int32_t n = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n, units.data(),
                       static_cast<int32_t>(units.size()), ReplacementCharacter, nullptr, &err);
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(n) : 0);
    return out;
}

// Composes a base character with the non-spacing marks that follow it, where a precomposed
// character exists. Only such pairs are touched: full normalisation would also replace
// singletons such as the CJK compatibility ideographs, which GBK holds as characters of their own.
std::u16string Compose(std::u16string_view units) {
    UErrorCode err = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&err);
    if (U_FAILURE(err)) return std::u16string(units);
    std::u16string out;
    out.reserve(units.size());
    std::size_t i = 0;
    while (i < units.size()) {
        UChar32 base = 0;
        U16_NEXT(units.data(), i, units.size(), base);
        while (i < units.size()) {
            std::size_t next = i;
            UChar32 mark = 0;
            U16_NEXT(units.data(), next, units.size(), mark);
            if (u_charType(mark) != U_NON_SPACING_MARK) break;
            const UChar32 composed = unorm2_composePair(nfc, base, mark);
            if (composed < 0) break;
            base = composed;
            i = next;
        }
        if (U_IS_BMP(base)) {
            out.push_back(static_cast<char16_t>(base));
        } else {
            out.push_back(static_cast<char16_t>(U16_LEAD(base)));
            out.push_back(static_cast<char16_t>(U16_TRAIL(base)));
        }
    }
    return out;
}

// Longest prefix of `units` within `capacity` that does not split a surrogate pair.
std::size_t UnitsPrefix(std::u16string_view units, std::size_t capacity) {
    std::size_t n = std::min(capacity, units.size());
    if (n > 0 && n < units.size() && U16_IS_LEAD(units[n - 1]) && U16_IS_TRAIL(units[n])) --n;
    return n;
}

}  // namespace

std::string EncodeUnitsWithin(int codePage, unsigned flags, std::u16string_view units,
                              std::size_t capacity) {
    std::string whole = EncodeUnits(codePage, flags, units);
    if (whole.size() <= capacity) return whole;
    std::u16string composed;
    if (flags & ComposeCheck) {
        composed = Compose(units);
        units = composed;
    }
    std::string out;
    std::size_t i = 0;
    while (i < units.size()) {
        std::size_t next = i + 1;
        if (U16_IS_LEAD(units[i]) && next < units.size() && U16_IS_TRAIL(units[next])) ++next;
        const std::u16string_view one = units.substr(i, next - i);
        const std::string bytes = IsGbk(codePage) ? EncodeGbk(one) : EncodeUtf8(one);
        if (out.size() + bytes.size() > capacity) break;
        out += bytes;
        i = next;
    }
    return out;
}

bool IsKnownCodePage(int codePage) {
    return IsGbk(codePage) || codePage == CodePageUtf8;
}

std::u16string DecodeUtf8(std::string_view bytes, bool& wellFormed) {
    wellFormed = true;
    if (bytes.empty()) return {};
    std::u16string out(bytes.size(), u'\0');  // a UTF-8 byte never yields more than one unit
    int32_t n = 0;
    int32_t substitutions = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n, bytes.data(),
                         static_cast<int32_t>(bytes.size()), ReplacementCharacter, &substitutions,
                         &err);
    wellFormed = substitutions == 0;
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::u16string DecodeBytes(int codePage, std::string_view bytes) {
    if (IsGbk(codePage)) return DecodeGbk(bytes);
    if (codePage == CodePageUtf8) {
        bool wellFormed = true;
        return DecodeUtf8(bytes, wellFormed);
    }
    return {};
}

std::string EncodeUnits(int codePage, unsigned flags, std::u16string_view units) {
    std::u16string composed;
    if (flags & ComposeCheck) {
        composed = Compose(units);
        units = composed;
    }
    if (IsGbk(codePage)) return EncodeGbk(units);
    if (codePage == CodePageUtf8) return EncodeUtf8(units);
    return {};
}

std::size_t MultiByteToWide(int codePage, std::string_view bytes, char16_t* dst,
                            std::size_t capacity) {
    if (!IsKnownCodePage(codePage) || bytes.empty()) return 0;
    const std::u16string units = DecodeBytes(codePage, bytes);
    if (capacity == 0) return units.size();
    const std::size_t fit = UnitsPrefix(units, capacity);
    std::copy_n(units.data(), fit, dst);
    return fit == units.size() ? fit : 0;
}

std::size_t WideToMultiByte(int codePage, unsigned flags, std::u16string_view units, char* dst,
                            std::size_t capacity) {
    if (!IsKnownCodePage(codePage) || units.empty()) return 0;
    const std::string whole = EncodeUnits(codePage, flags, units);
    if (capacity == 0) return whole.size();
    if (whole.size() <= capacity) {
        std::memcpy(dst, whole.data(), whole.size());
        return whole.size();
    }
    const std::string prefix = EncodeUnitsWithin(codePage, flags, units, capacity);
    std::memcpy(dst, prefix.data(), prefix.size());
    return 0;
}

}  // namespace quillet
