#include "text/text_primitives.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string find;
    std::optional<TextPos> start;
    bool ignoreCase;
    TextPos forward;  // FindText (start 1 when none is given)
    TextPos reverse;  // FindTextReverse
};

class FindCases : public testing::TestWithParam<FindCase> {};

TEST_P(FindCases, FindsForwardAndBackward) {
    const FindCase& c = GetParam();
    EXPECT_EQ(FindText(c.text, c.find, c.start.value_or(1), c.ignoreCase), c.forward);
    EXPECT_EQ(FindTextReverse(c.text, c.find, c.start, c.ignoreCase), c.reverse);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindCases,
    testing::Values(
        FindCase{"Whole", "abcabc", "bc", std::nullopt, false, 2, 5},
        FindCase{"FromStart", "abcabc", "bc", 3, false, 5, -1},
        FindCase{"ReverseRegionEndsBeforeStart", "abcabc", "bc", 6, false, -1, 2},
        FindCase{"ReverseMatchMustLieInsideRegion", "abcabc", "bc", 5, false, 5, 2},
        FindCase{"StartBelowOne", "abc", "a", -5, false, 1, -1},
        FindCase{"StartPastEnd", "abc", "c", 100, false, -1, 3},
        FindCase{"CaseSensitiveByDefault", "ABC", "b", std::nullopt, false, -1, -1},
        FindCase{"IgnoreCaseFoldsAsciiOnly", "ABC", "b", std::nullopt, true, 2, 2},
        FindCase{"IgnoreCaseLeavesHighBytes", "\xC1\xC1", "\xE1\xE1", std::nullopt, true, -1, -1},
        // D6 D0 is one character: its second byte never starts a match.
        FindCase{"NoMatchFromTrailByte", "\xD6\xD0", "\xD0", std::nullopt, false, -1, -1},
        FindCase{"MatchAfterDoubleByte", "\xD6\xD0\xD0", "\xD0", std::nullopt, false, 3, 3},
        FindCase{"TrailByteLikeBackslash", "\x95\x5C\x5C", "\\", std::nullopt, false, 3, 3},
        // A lead byte with nothing behind it ends the search.
        FindCase{"LeadByteAtEnd", "a\xD6", "x", std::nullopt, false, -1, -1},
        FindCase{"EmptyFind", "abc", "", std::nullopt, false, -1, -1},
        FindCase{"EmptyText", "", "a", std::nullopt, false, -1, -1},
        FindCase{"FindLongerThanText", "ab", "abc", std::nullopt, false, -1, -1}),
    [](const auto& row) { return row.param.name; });

TEST(MidText, CutsInsideTheText) {
    EXPECT_EQ(MidText("abcdef", 2, 3), "bcd");
    EXPECT_EQ(MidText("abcdef", 5, 100), "ef");
    EXPECT_EQ(MidText("abcdef", 1, 0), "");
    EXPECT_EQ(MidText("abcdef", 2, -1), "");
    EXPECT_EQ(MidText("abcdef", 0, 2), "");
    EXPECT_EQ(MidText("abcdef", 7, 1), "");
    EXPECT_EQ(MidText("", 1, 1), "");
}

struct ReplaceCase {
    const char* name;
    std::string text;
    std::string find;
    std::string replacement;
    TextPos start;
    std::optional<TextPos> count;
    bool caseSensitive;
    std::string expected;
};

class ReplaceCases : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceCases, Replaces) {
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(ReplaceText(c.text, c.find, c.replacement, c.start, c.count, c.caseSensitive),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplaceCases,
    testing::Values(
        ReplaceCase{"All", "a-b-c", "-", "+", 1, std::nullopt, false, "a+b+c"},
        ReplaceCase{"CountOne", "a-b-c", "-", "+", 1, 1, false, "a+b-c"},
        ReplaceCase{"CountZero", "a-b-c", "-", "+", 1, 0, false, "a-b-c"},
        ReplaceCase{"NegativeCountIsAll", "a-b-c", "-", "+", 1, -3, false, "a+b+c"},
        ReplaceCase{"FromStart", "--a--", "-", "", 3, std::nullopt, false, "--a"},
        ReplaceCase{"StartPastEnd", "abc", "c", "x", 4, std::nullopt, false, "abc"},
        ReplaceCase{"IgnoresCaseByDefault", "aAa", "a", "b", 1, std::nullopt, false, "bbb"},
        ReplaceCase{"CaseSensitive", "aAa", "a", "b", 1, std::nullopt, true, "bAb"},
        ReplaceCase{"NeverRescansReplacement", "aa", "a", "aa", 1, std::nullopt, true, "aaaa"},
        ReplaceCase{"TrailByteUntouched", "\xD6\xD0", "\xD0", "x", 1, std::nullopt, true,
                    "\xD6\xD0"},
        ReplaceCase{"LeadByteAtEndCopied", "a\xD6", "a", "b", 1, std::nullopt, true, "b\xD6"},
        ReplaceCase{"EmptyFind", "abc", "", "x", 1, std::nullopt, false, "abc"},
        ReplaceCase{"EmptyText", "", "a", "x", 1, std::nullopt, false, ""}),
    [](const auto& row) { return row.param.name; });

// Only the bytes A-Z change; the neighbours of the range and high bytes stay as they are.
TEST(TextPrimitives, AsciiLowerFoldsOnlyAsciiCapitals) {
    EXPECT_EQ(AsciiLower("HTTPS://Host.CN/@[Z]"), "https://host.cn/@[z]");
    EXPECT_EQ(AsciiLower("\xC1\xDA\xFF"), "\xC1\xDA\xFF");
    EXPECT_EQ(AsciiLower(""), "");
}

TEST(TextPrimitives, LargeTextsStayLinear) {
    const std::string big(10 * 1024 * 1024, 'a');
    EXPECT_EQ(FindText(big, "b"), -1);
    EXPECT_EQ(FindTextReverse(big, "aa"), static_cast<TextPos>(big.size()) - 1);
    EXPECT_EQ(ReplaceText(big, "a", "b", 1, 2).substr(0, 3), "bba");
}

}  // namespace
}  // namespace quillet
