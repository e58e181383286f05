#include "text/gbk_table.h"

#include <unicode/ucnv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace quillet {
namespace {

constexpr unsigned LeadFirst = 0x81, LeadLast = 0xFE;
constexpr unsigned TrailFirst = 0x40, TrailLast = 0xFE;
constexpr unsigned TrailCount = TrailLast - TrailFirst + 1;
constexpr char16_t Undecided = 0;  // U+0000 never comes out of a two-byte sequence

struct GbkTable {
    // Index (lead - 0x81) * TrailCount + (trail - 0x40); Undecided where ICU must decide.
    std::vector<char16_t> pairs;
    // Bytes 0x80 to 0xFF that ICU decodes alone, whatever follows; Undecided otherwise.
    std::array<char16_t, 128> singles{};
    // By unit from 0x80 on: the GBK bytes ICU encodes it to, a pair as (lead << 8) | trail,
    // a single high byte as itself; 0 where ICU must decide.
    std::vector<std::uint16_t> encodings;
};

using ConverterPtr = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// Decodes `bytes` with ICU, recording for every unit the offset of the byte it came from.
void DecodeWithOffsets(UConverter* cnv, const std::string& bytes, std::u16string& units,
                       std::vector<int32_t>& offsets) {
    units.assign(bytes.size() * 2 + 4, u'\0');
    offsets.assign(units.size(), -1);
    ucnv_reset(cnv);
    UErrorCode err = U_ZERO_ERROR;
    const char* src = bytes.data();
    UChar* dst = units.data();
    ucnv_toUnicode(cnv, &dst, dst + units.size(), &src, src + bytes.size(), offsets.data(), true,
                   &err);
    const auto written = static_cast<std::size_t>(dst - units.data());
    units.resize(U_SUCCESS(err) ? written : 0);
    offsets.resize(units.size());
}

// Every unit the decode table yields, encoded by ICU on its own; kept where ICU writes one or
// two bytes for it.
void FillEncodings(UConverter* cnv, GbkTable& table) {
    table.encodings.assign(0x10000, 0);
    std::u16string candidates;
    for (const char16_t unit : table.pairs) {
        if (unit >= 0x80) candidates.push_back(unit);
    }
    for (const char16_t unit : table.singles) {
        if (unit >= 0x80) candidates.push_back(unit);
    }
    std::string bytes(candidates.size() * 2 + 4, '\0');
    std::vector<int32_t> offsets(bytes.size(), -1);
    ucnv_reset(cnv);
    UErrorCode err = U_ZERO_ERROR;
    const UChar* src = candidates.data();
    char* dst = bytes.data();
    ucnv_fromUnicode(cnv, &dst, dst + bytes.size(), &src, src + candidates.size(), offsets.data(),
                     true, &err);
    if (U_FAILURE(err)) return;
    const auto written = static_cast<std::size_t>(dst - bytes.data());
    for (std::size_t i = 0; i < written;) {
        std::size_t end = i + 1;
        while (end < written && offsets[end] == offsets[i]) ++end;
        const char16_t unit = candidates[static_cast<std::size_t>(offsets[i])];
        const auto first = static_cast<unsigned char>(bytes[i]);
        if (end - i == 2 && first >= LeadFirst) {
            table.encodings[unit] =
                static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>(bytes[i + 1]));
        } else if (end - i == 1 && first >= 0x80) {
            table.encodings[unit] = first;
        }
        i = end;
    }
}

GbkTable BuildTable() {
    GbkTable table;
    table.pairs.assign((LeadLast - LeadFirst + 1) * TrailCount, Undecided);
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr cnv(ucnv_open("windows-936", &err), &ucnv_close);
    if (U_FAILURE(err) || !cnv) return table;  // every text then goes to ICU itself

    // Every pair once, back to back: a pair of this code page decodes on its own, so a pair is
    // taken into the table exactly when one unit other than U+FFFD came from its first byte and
    // nothing from its second.
    std::string bytes;
    bytes.reserve(table.pairs.size() * 2);
    for (unsigned lead = LeadFirst; lead <= LeadLast; ++lead) {
        for (unsigned trail = TrailFirst; trail <= TrailLast; ++trail) {
            bytes.push_back(static_cast<char>(lead));
            bytes.push_back(static_cast<char>(trail));
        }
    }
    std::u16string units;
    std::vector<int32_t> offsets;
    DecodeWithOffsets(cnv.get(), bytes, units, offsets);
    std::vector<int> unitsFrom(bytes.size(), 0);
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (offsets[i] >= 0) ++unitsFrom[static_cast<std::size_t>(offsets[i])];
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto at = static_cast<std::size_t>(offsets[i]);
        if (offsets[i] < 0 || at % 2 != 0) continue;
        if (unitsFrom[at] == 1 && unitsFrom[at + 1] == 0 && units[i] != u'\uFFFD') {
            table.pairs[at / 2] = units[i];
        }
    }

    // A high byte stands alone when it decodes to one unit both before "A" and before a byte
    // that would be a valid trail.
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        char16_t alone = Undecided;
        for (const char next : {'A', '\xA1'}) {
            const std::string probe{static_cast<char>(b), next};
            DecodeWithOffsets(cnv.get(), probe, units, offsets);
            const bool single =
                units.size() == 2 && offsets[0] == 0 && offsets[1] == 1 && units[0] != u'\uFFFD';
            if (!single || (alone != Undecided && alone != units[0])) {
                alone = Undecided;
                break;
            }
            alone = units[0];
        }
        table.singles[b - 0x80] = alone;
    }
    FillEncodings(cnv.get(), table);
    return table;
}

const GbkTable& Table() {
    static const GbkTable table = BuildTable();
    return table;
}

}  // namespace

bool DecodeGbkByTable(std::string_view bytes, std::u16string& out) {
    const GbkTable& table = Table();
    out.resize(bytes.size());
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    char16_t* dst = out.data();
    std::size_t i = 0;
    while (i < n) {
        // Runs of ASCII, sixteen or eight bytes at a time.
#if defined(__SSE2__)
        while (i + 16 <= n) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            if (_mm_movemask_epi8(chunk) != 0) break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_unpacklo_epi8(chunk, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8), _mm_unpackhi_epi8(chunk, zero));
            dst += 16;
            i += 16;
        }
#endif
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, src + i, 8);
            if (word & 0x8080808080808080ULL) break;
            for (int k = 0; k < 8; ++k) *dst++ = src[i + k];
            i += 8;
        }
        if (i >= n) break;
        const unsigned b = src[i];
        if (b < 0x80) {
            *dst++ = static_cast<char16_t>(b);
            ++i;
            continue;
        }
        if (const char16_t alone = table.singles[b - 0x80]; alone != Undecided) {
            *dst++ = alone;
            ++i;
            continue;
        }
        if (b < LeadFirst || b > LeadLast || i + 1 >= n) return false;
        const unsigned trail = src[i + 1];
        if (trail < TrailFirst || trail > TrailLast) return false;
        const char16_t unit = table.pairs[(b - LeadFirst) * TrailCount + (trail - TrailFirst)];
        if (unit == Undecided) return false;
        *dst++ = unit;
        i += 2;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return true;
}

bool EncodeGbkByTable(std::u16string_view units, std::string& out) {
    const GbkTable& table = Table();
    if (table.encodings.empty()) return false;
    out.resize(units.size() * 2);
    char* dst = out.data();
    for (const char16_t unit : units) {
        if (unit < 0x80) {
            *dst++ = static_cast<char>(unit);
            continue;
        }
        const std::uint16_t bytes = table.encodings[unit];
        if (bytes == 0) return false;
        if (bytes > 0xFF) *dst++ = static_cast<char>(bytes >> 8);
        *dst++ = static_cast<char>(bytes & 0xFF);
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    return true;
}

}  // namespace quillet
