#include "text/code_pages.h"

#include <gtest/gtest.h>

#include <random>
#include <type_traits>
#include <vector>

namespace quillet {
namespace {

using namespace std::string_literals;

// UTF-8 and UTF-16 bytes cannot stand where a GBK text is expected, nor the other way round.
static_assert(!std::is_convertible_v<Utf8Bytes, std::string_view>);
static_assert(!std::is_convertible_v<Utf8Bytes, Text>);
static_assert(!std::is_convertible_v<Text, Utf8Bytes>);
static_assert(!std::is_convertible_v<Utf16Bytes, std::string_view>);
static_assert(!std::is_convertible_v<Bytes, Utf16Bytes>);
static_assert(!std::is_convertible_v<Utf8Bytes, Utf16Bytes>);

struct Conversion {
    const char* name;
    std::string input;
    std::string expected;
};

class GbkToUtf8Cases : public testing::TestWithParam<Conversion> {};

TEST_P(GbkToUtf8Cases, Converts) {
    EXPECT_EQ(GbkToUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GbkToUtf8Cases,
    testing::Values(Conversion{"Empty", "", ""}, Conversion{"Ascii", "abc", "abc"},
                    Conversion{"Zhong", "\xD6\xD0", "\xE4\xB8\xAD"},
                    // A lead byte with nothing behind it decodes to U+FFFD.
                    Conversion{"LeadByteAtEnd", "a\xD6", "a\xEF\xBF\xBD"},
                    Conversion{"StopsAtNul", "a\0b"s, "a"},
                    // The single bytes 0x80 and 0xFF need three UTF-8 bytes each, more than
                    // twice their GBK length: nothing may be cut (a cut name is another file).
                    Conversion{"SingleHighBytesAreNotCut", "\x80\x80\xFF.mp3",
                               "\xE2\x82\xAC\xE2\x82\xAC\xEF\xA3\xB5.mp3"}),
    [](const auto& row) { return row.param.name; });

class Utf8ToGbkCases : public testing::TestWithParam<Conversion> {};

TEST_P(Utf8ToGbkCases, Converts) {
    EXPECT_EQ(Utf8ToGbk(Utf8Bytes(GetParam().input)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Utf8ToGbkCases,
    testing::Values(Conversion{"Empty", "", ""}, Conversion{"Zhong", "\xE4\xB8\xAD", "\xD6\xD0"},
                    Conversion{"HangulBecomesQuestionMark",
                               "a\xED\x95\x9C"
                               "b",
                               "a?b"},
                    Conversion{"EmojiBecomesOneQuestionMark", "\xF0\x9F\x98\x80", "?"},
                    // Invalid bytes decode to U+FFFD, which GBK lacks.
                    Conversion{"InvalidUtf8", "a\xFF\xC0\x80z", "a???z"},
                    Conversion{"TruncatedSequence", "\xE4\xB8", "?"},
                    // Default-ignorable characters (U+200B, U+202C, U+FEFF, U+00AD, VS16)
                    // are characters GBK lacks like any other, not nothing.
                    Conversion{"DefaultIgnorablesBecomeQuestionMarks",
                               "a\xE2\x80\x8B\xE2\x80\xAC\xEF\xBB\xBF\xC2\xAD\xEF\xB8\x8Fz",
                               "a?????z"},
                    Conversion{"Ideographs", "\xE8\xAE\xA9\xE6\x88\x91", "\xC8\xC3\xCE\xD2"}),
    [](const auto& row) { return row.param.name; });

TEST(CodePages, MultiByteToUtf16SizesByTheSystemCodePage) {
    EXPECT_EQ(MultiByteToUtf16("A"), "A\0\0\0"s);
    EXPECT_EQ(MultiByteToUtf16(""), "\0\0"s);
    // "中" in UTF-8 counts three units as GBK (E4B8, AD + NUL split), so the decode of one unit
    // and its terminator leaves one zero unit of padding.
    EXPECT_EQ(MultiByteToUtf16("\xE4\xB8\xAD"), "\x2D\x4E\0\0\0\0"s);
    EXPECT_EQ(MultiByteToUtf16("\xD6\xD0", CodePageGbk), "\x2D\x4E\0\0"s);
    // 0 is the system code page, not the default UTF-8.
    EXPECT_EQ(MultiByteToUtf16("\xD6\xD0", 0), "\x2D\x4E\0\0"s);
    // An unknown code page leaves the buffer as prepared: zero units.
    EXPECT_EQ(MultiByteToUtf16("ab", 12345), std::string(6, '\0'));
}

TEST(CodePages, Utf16ToMultiByte) {
    EXPECT_EQ(Utf16ToMultiByte(Utf16Bytes("")), "");
    EXPECT_EQ(Utf16ToMultiByte(Utf16Bytes("\x2D\x4E\0\0"s)), "\xD6\xD0");
    EXPECT_EQ(Utf16ToMultiByte(Utf16Bytes("\x2D\x4E\0\0"s), CodePageUtf8), "\xE4\xB8\xAD");
    // Reading stops at the first zero unit and never runs past the end, odd byte or not.
    EXPECT_EQ(Utf16ToMultiByte(Utf16Bytes("A\0\0\0B\0"s)), "A");
    EXPECT_EQ(Utf16ToMultiByte(Utf16Bytes("A\0B"s)), "A");
    EXPECT_EQ(Utf16ToMultiByte(Utf16Bytes("ab"), 12345), "");
    // U+200B counts as the "?" it becomes, so the UTF-8 capacity cannot cut what follows.
    EXPECT_EQ(Utf16ToMultiByte(UnitsToBytes(u"\u200B\uFEFFab")), "??ab");
    EXPECT_EQ(Utf16ToMultiByte(UnitsToBytes(u"\u200B\u200B\u200Bab"), CodePageUtf8),
              "\xE2\x80\x8B\xE2\x80\x8B\xE2\x80\x8B"
              "ab");
}

TEST(CodePages, GbkToUtf16Bytes) {
    EXPECT_EQ(GbkToUtf16Bytes("A"), "A\0\0\0"s);
    EXPECT_EQ(GbkToUtf16Bytes("A", true), "A\0"s);
    EXPECT_EQ(GbkToUtf16Bytes("\xD6\xD0"), "\x2D\x4E\0\0"s);
    EXPECT_EQ(GbkToUtf16Bytes(""), "");
    EXPECT_EQ(GbkToUtf16Bytes("", true), "");
}

TEST(CodePages, Utf16BytesToGbk) {
    EXPECT_EQ(Utf16BytesToGbk(Utf16Bytes("A\0B\0"s)), "AB");
    EXPECT_EQ(Utf16BytesToGbk(Utf16Bytes("A\0\0\0B\0"s)), "A");
    EXPECT_EQ(Utf16BytesToGbk(Utf16Bytes("A\0B"s)), "A");
    EXPECT_EQ(Utf16BytesToGbk(Utf16Bytes("")), "");
    // e + combining acute is composed to é, which GBK holds (A8 A6); uncomposed it would
    // come out as "e?".
    EXPECT_EQ(Utf16BytesToGbk(UnitsToBytes(u"e\u0301")), "\xA8\xA6");
    // Only a base and its non-spacing mark are composed: the CJK compatibility ideograph of
    // GBK FE41 (U+F92C) stays itself instead of becoming its canonical twin (86D8).
    EXPECT_EQ(Utf16BytesToGbk(GbkToUtf16Bytes("\xFE\x41")), "\xFE\x41");
    EXPECT_EQ(Utf16BytesToGbk(UnitsToBytes(u"\u200Bx")), "?x");
    // A lone surrogate becomes the default character.
    EXPECT_EQ(Utf16BytesToGbk(UnitsToBytes(u"a\xD800"
                                           "b")),
              "a?b");
}

// The table decoder and ICU must agree on every text, malformed ones included.
TEST(CodePages, GbkRoundTripsEveryDoubleByteCharacter) {
    std::string all;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            all.push_back(static_cast<char>(lead));
            all.push_back(static_cast<char>(trail));
        }
    }
    const Utf8Bytes utf8 = GbkToUtf8(all);
    const Text back = Utf8ToGbk(utf8);
    // Unassigned pairs come back as "?"; every assigned one comes back as itself.
    std::size_t same = 0;
    for (std::size_t i = 0, j = 0; i < all.size() && j < back.size(); i += 2) {
        if (back[j] == '?') {
            ++j;
            continue;
        }
        EXPECT_EQ(back.substr(j, 2), all.substr(i, 2)) << "pair at " << i;
        j += 2;
        ++same;
    }
    EXPECT_GT(same, 21000u);
}

// Every character GBK holds, single bytes included, survives GBK -> UTF-16 -> GBK unchanged.
TEST(CodePages, EveryGbkCharacterSurvivesTheUtf16RoundTrip) {
    std::vector<std::string> characters;
    for (int b = 0x01; b <= 0xFF; ++b) characters.emplace_back(1, static_cast<char>(b));
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            characters.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    std::size_t checked = 0;
    for (const std::string& character : characters) {
        const Utf16Bytes units = GbkToUtf16Bytes(character, true);
        if (units.size() != 2 || units == "\xFD\xFF") continue;  // not one valid character
        EXPECT_EQ(Utf16BytesToGbk(units), character)
            << std::hex << int(static_cast<unsigned char>(character[0]));
        ++checked;
    }
    EXPECT_GT(checked, 21000u);
}

TEST(CodePages, MalformedAndLargeInputsGiveDefinedResults) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string noise(static_cast<std::size_t>(byte(random)), '\0');
        for (char& c : noise) c = static_cast<char>(byte(random) | 1);  // no zero bytes
        const Text gbk = Utf8ToGbk(Utf8Bytes(noise));
        const Utf8Bytes utf8 = GbkToUtf8(noise);
        EXPECT_LE(gbk.size(), noise.size() * 2);
        EXPECT_EQ(Utf16BytesToGbk(GbkToUtf16Bytes(gbk)), gbk);
        EXPECT_LE(utf8.size(), 3 * noise.size());
    }
    const std::string big(10 * 1024 * 1024 / 3 * 3, 'x');
    EXPECT_EQ(Utf8ToGbk(Utf8Bytes(big)).size(), big.size());
}

}  // namespace
}  // namespace quillet
