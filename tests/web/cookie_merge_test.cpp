#include "web/cookie_merge.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

struct MergeCase {
    const char* name;
    Text held;
    Text received;
    Text jar;
    Text receivedAfter;
};

class MergeCookiesCases : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesCases, Merges) {
    const MergeCase& c = GetParam();
    Text held = c.held;
    Text received = c.received;
    EXPECT_EQ(MergeCookies(held, received), c.jar);
    EXPECT_EQ(held, c.jar);
    EXPECT_EQ(received, c.receivedAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeCookiesCases,
    testing::Values(MergeCase{"ReceivedReplacesHeld", "a=1; b=2", "b=3", "b=3; a=1", "b=3"},
                    MergeCase{"DeletedDropsHeld", "a=1", "a=deleted", "", "a=deleted"},
                    MergeCase{"FirstOfHeldNameWins", "a=1;a=2", "", "a=1", ""},
                    MergeCase{"EmptyJarTakesReceived", "", "x=1; y=2", "x=1; y=2", "x=1;y=2"},
                    MergeCase{"SpacesCarryNoMeaning", "k = v", "", "k=v", ""},
                    MergeCase{"FullWidthSpaceRemoved", "k\xA1\xA1=v", "", "k=v", ""},
                    MergeCase{"ExactRepeatOnce", "", "b=2;b=2", "b=2", "b=2;b=2"},
                    MergeCase{"SameNameOtherValueKept", "", "b=2;b=3", "b=2; b=3", "b=2;b=3"},
                    MergeCase{"NamesKeepLetterCase", "A=1", "a=2", "a=2; A=1", "a=2"},
                    MergeCase{"BothEmpty", "", "", "", ""},
                    MergeCase{"HeldKeepsOrderBehindReceived", "c=3; a=1; d=4", "a=9; e=5",
                              "a=9; e=5; c=3; d=4", "a=9;e=5"},
                    MergeCase{"DeletedOnlyAtEnd", "a=deletedx", "", "a=deletedx", ""},
                    MergeCase{"EmptyItemsBetweenSeparators", "a=1;;b=2", "", "a=1; ; b=2", ""},
                    // "唉" is B0 A1 and "∧" A1 C4: the A1 A1 in the middle is no space.
                    MergeCase{"DoubleByteNotTakenForSpace", "k=\xB0\xA1\xA1\xC4", "",
                              "k=\xB0\xA1\xA1\xC4", ""}),
    [](const auto& row) { return row.param.name; });

TEST(CookieName, IsTrimmedPartBeforeFirstEquals) {
    EXPECT_EQ(CookieName(" a =1=2"), "a");
    EXPECT_EQ(CookieName("  flag "), "flag");
    EXPECT_EQ(CookieName("=v"), "");
    EXPECT_EQ(CookieName(""), "");
}

TEST(JoinDistinct, DropsExactRepeatsKeepingFirstPlace) {
    EXPECT_EQ(JoinDistinct("a; b; a; c; b", "; "), "a; b; c");
    EXPECT_EQ(JoinDistinct("a; A", "; "), "a; A");
    EXPECT_EQ(JoinDistinct("", "; "), "");
    // A trailing separator adds no item.
    EXPECT_EQ(JoinDistinct("a; ", "; "), "a");
}

}  // namespace
}  // namespace quillet
