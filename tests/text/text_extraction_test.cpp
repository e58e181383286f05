#include "text/text_extraction.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct BetweenCase {
    const char* name;
    std::string text;
    std::string left;
    std::string right;
    TextPos start;
    bool ignoreCase;
    std::string expected;
};

class TextBetweenCases : public testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenCases, Extracts) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextBetweenCases,
    testing::Values(
        BetweenCase{"Between", "xmp3dl>abc</mp3dly", "mp3dl>", "</mp3dl", 0, false, "abc"},
        BetweenCase{"FirstPair", "mp3dl>a</mp3dl mp3dl>b</mp3dl", "mp3dl>", "</mp3dl", 0, false,
                    "a"},
        BetweenCase{"LeftMissing", "abc</mp3dl", "mp3dl>", "</mp3dl", 0, false, ""},
        BetweenCase{"RightOnlyBeforeLeft", "</mp3dl mp3dl>abc", "mp3dl>", "</mp3dl", 0, false, ""},
        BetweenCase{"MarkersTouch", "<a></a>", "<a>", "</a>", 0, false, ""},
        BetweenCase{"LeftAtEnd", "ab<a>", "<a>", "</a>", 0, false, ""},
        BetweenCase{"FromStart", "<a>1</a><a>2</a>", "<a>", "</a>", 2, false, "2"},
        BetweenCase{"ExactCaseByDefault", "<A>1</A>", "<a>", "</a>", 0, false, ""},
        BetweenCase{"IgnoreCase", "<A>1</A>", "<a>", "</a>", 0, true, "1"},
        BetweenCase{"QuoteMarker", "href=\"x.mp3\"", "href=#引号", "#引号", 0, false, "x.mp3"},
        // The marker always stands for a quote, so its own characters cannot be looked for.
        BetweenCase{"MarkerNeverLiteral", "[#引号]", "[", "#引号", 0, false, ""},
        BetweenCase{"EmptyMarkers", "abc", "", "", 0, false, ""}),
    [](const auto& row) { return row.param.name; });

TEST(ReplaceBatch, AppliesPairsInOrder) {
    EXPECT_EQ(ReplaceBatch("a?b\\c", std::nullopt, 0, false, "?", " ", "\\", " "), "a b c");
    EXPECT_EQ(ReplaceBatch("a?b\\c", std::nullopt, 0, false, "?", " "), "a b\\c");
    // Each pair works on the result of the one before.
    EXPECT_EQ(ReplaceBatch("ab", std::nullopt, 0, false, "a", "b", "b", "c"), "cc");
    // An absent replacement deletes; an empty find changes nothing.
    EXPECT_EQ(ReplaceBatch("a-b", std::nullopt, 0, false, "-", {}, "", "x"), "ab");
}

TEST(ReplaceBatch, HonoursCaseStartAndCount) {
    EXPECT_EQ(ReplaceBatch("aA", std::nullopt, 0, false, "a", "x"), "xx");
    EXPECT_EQ(ReplaceBatch("aA", std::nullopt, 0, true, "a", "x"), "xA");
    EXPECT_EQ(ReplaceBatch("??a??", std::nullopt, 3, false, "?", " "), "??a  ");
    EXPECT_EQ(ReplaceBatch("????", 1, 0, false, "?", " ", "?", "-"), " -??");
}

TEST(ReplaceBatch, CleansNamesWithoutBreakingDoubleByteCharacters) {
    // 81 5C and 81 7C are characters whose second bytes are the backslash and the bar.
    const std::string name = "\x81\x5C|\x81\x7C";
    EXPECT_EQ(ReplaceBatch(name, std::nullopt, 0, false, "\\", " ", "|", " "), "\x81\x5C \x81\x7C");
    EXPECT_EQ(ReplaceBatch("A/B: C?", std::nullopt, 0, false, "?", " ", "\\", " ", "/", " ", ":",
                           " ", "*", " "),
              "A B  C ");
}

}  // namespace
}  // namespace quillet
