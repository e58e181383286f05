#include "text/gbk_table.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <random>

namespace quillet {
namespace {

std::u16string IcuDecode(std::string_view bytes) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-936", &err);
    std::u16string out(bytes.size() + 1, u'\0');
    const int32_t n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &err);
    ucnv_close(cnv);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string IcuEncode(std::u16string_view units) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-936", &err);
    ucnv_setSubstChars(cnv, "?", 1, &err);
    std::string out(units.size() * 2 + 1, '\0');
    const int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                                      units.data(), static_cast<int32_t>(units.size()), &err);
    ucnv_close(cnv);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// The tables stand in for ICU on the hot paths, so they must give ICU's answer for every text
// they accept.
TEST(GbkTable, DecodesEveryPairAsIcuDoes) {
    int accepted = 0;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x00; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail), 'z'};
            std::u16string ours;
            if (!DecodeGbkByTable(pair, ours)) continue;
            ++accepted;
            ASSERT_EQ(ours, IcuDecode(pair)) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_GT(accepted, 21000);
}

TEST(GbkTable, EncodesEveryBmpUnitAsIcuDoes) {
    int accepted = 0;
    for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const std::u16string one{static_cast<char16_t>(unit), u'z'};
        std::string ours;
        if (!EncodeGbkByTable(one, ours)) continue;
        ++accepted;
        ASSERT_EQ(ours, IcuEncode(one)) << std::hex << static_cast<int>(unit);
    }
    EXPECT_GT(accepted, 21000);
}

TEST(GbkTable, RandomTextsAgreeWithIcu) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 500; ++round) {
        std::string text(static_cast<std::size_t>(byte(random)) + 20, '\0');
        for (char& c : text) c = static_cast<char>(round % 2 ? byte(random) : byte(random) & 0x7F);
        std::u16string ours;
        if (DecodeGbkByTable(text, ours)) {
            ASSERT_EQ(ours, IcuDecode(text)) << round;
        }
    }
}

}  // namespace
}  // namespace quillet
