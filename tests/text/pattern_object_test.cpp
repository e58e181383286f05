#include "text/pattern_object.h"

#include <gtest/gtest.h>

#include <thread>

#include "text/com_apartment.h"

namespace quillet {
namespace {

constexpr const char* SearchPattern =
    "rid':'(.*?)','songName':'(.*?)','album':'(.*?)','(.*?)artist':'(.*?)'";

std::string Record(const std::string& rid, const std::string& song, const std::string& album,
                   const std::string& artist) {
    return "{'rid':'" + rid + "','songName':'" + song + "','album':'" + album +
           "','x':'1','artist':'" + artist + "'}";
}

TEST(PatternObject, ReadsSearchRecords) {
    const std::string reply = Record("MUSIC_1", "Song A", "Alb", "Singer") +
                              Record("MUSIC_2", "歌曲二", "专辑", "歌手") +
                              Record("MUSIC_3", "C", "", "D");
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create(SearchPattern, reply, false, false, true, true));
    ASSERT_EQ(pattern.MatchCount(), 3);
    EXPECT_EQ(pattern.SubMatchCount(), 5);
    EXPECT_EQ(pattern.SubMatchText(2, 2), "歌曲二");
    EXPECT_EQ(pattern.SubMatchText(2, 5), "歌手");
    EXPECT_EQ(pattern.SubMatchText(2, 3), "专辑");
    EXPECT_EQ(pattern.SubMatchText(3, 1), "MUSIC_3");
    EXPECT_EQ(pattern.SubMatchText(3, 3), "");
    EXPECT_EQ(pattern.SubMatchText(1, 4), "x':'1','");
}

TEST(PatternObject, IgnoresCaseUnlessCaseSensitive) {
    const std::string reply = "RID':'1','SONGNAME':'s','ALBUM':'a','ARTIST':'b'";
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create(SearchPattern, reply, false, false, true, true));
    EXPECT_EQ(pattern.MatchCount(), 1);
    ASSERT_TRUE(pattern.Create(SearchPattern, reply, true, false, true, true));
    EXPECT_EQ(pattern.MatchCount(), 0);
}

TEST(PatternObject, OutOfRangeQueriesAreEmpty) {
    PatternObject fresh;
    EXPECT_EQ(fresh.MatchCount(), 0);
    EXPECT_EQ(fresh.SubMatchCount(), 0);
    EXPECT_EQ(fresh.GetPattern(), "");
    EXPECT_EQ(fresh.ReplaceMatches("x"), "");
    EXPECT_EQ(fresh.MatchText(1), "");

    PatternObject pattern;
    ASSERT_TRUE(pattern.Create(SearchPattern, Record("1", "2", "3", "4"), false, false));
    for (const auto& [n, k] : {std::pair{1, 9}, {1, 0}, {1, -1}, {0, 1}, {2, 1}, {-7, 2}}) {
        TextPos position = 99;
        EXPECT_EQ(pattern.SubMatchText(n, k, &position), "") << n << "," << k;
        EXPECT_EQ(position, -1);
    }
    EXPECT_EQ(pattern.MatchText(0), "");
    EXPECT_EQ(pattern.MatchText(2), "");
}

TEST(PatternObject, NoMatchAndMalformedPatterns) {
    PatternObject pattern;
    EXPECT_TRUE(pattern.Create("zzz", "abc"));
    EXPECT_EQ(pattern.MatchCount(), 0);
    EXPECT_EQ(pattern.SubMatchCount(), 0);

    for (const char* bad : {"(abc", "a[b", "*a", "a{2,1}"}) {
        EXPECT_FALSE(pattern.Create(bad, "abc")) << bad;
        EXPECT_EQ(pattern.MatchCount(), 0);
        EXPECT_EQ(pattern.GetPattern(), bad);  // the engine holds the pattern all the same
        EXPECT_EQ(pattern.ReplaceMatches("x"), "");
    }
}

TEST(PatternObject, QuoteMarker) {
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create("#引号a#引号", "x\"a\"y", false, true, true, true));
    EXPECT_EQ(pattern.MatchCount(), 1);
    EXPECT_EQ(pattern.MatchText(1), "\"a\"");
    EXPECT_EQ(pattern.GetPattern(), "\"a\"");

    ASSERT_TRUE(pattern.Create("#引号a#引号", "x\"a\"y #引号a#引号", false, true, true, false));
    EXPECT_EQ(pattern.MatchCount(), 1);
    EXPECT_EQ(pattern.MatchText(1), "#引号a#引号");
}

TEST(PatternObject, OptionsGlobalMultilineAndDot) {
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create("a.", "ab ac ad", false, true, false));
    EXPECT_EQ(pattern.MatchCount(), 1);
    EXPECT_EQ(pattern.ReplaceMatches("-"), "- ac ad");

    ASSERT_TRUE(pattern.Create("^\\w+$", "one\r\ntwo\nthree"));
    EXPECT_EQ(pattern.MatchCount(), 3);
    ASSERT_TRUE(pattern.Create("^\\w+$", "one\ntwo", false, false));
    EXPECT_EQ(pattern.MatchCount(), 0);

    // The dot never crosses a line break.
    ASSERT_TRUE(pattern.Create("a.b", "a\nb a\rb axb"));
    EXPECT_EQ(pattern.MatchCount(), 1);
    // \w is ASCII only: the Chinese characters are not word characters.
    ASSERT_TRUE(pattern.Create("\\w+", "ab中文cd"));
    ASSERT_EQ(pattern.MatchCount(), 2);
    EXPECT_EQ(pattern.MatchText(2), "cd");
}

TEST(PatternObject, MetaCharsetPattern) {
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create("<meta.+?charset=[^\\w]?([-\\w]+)",
                               "<html><META http-equiv=x content=\"text/html; charset=\"UTF-8\">"));
    EXPECT_EQ(pattern.SubMatchText(1, 1), "UTF-8");
}

TEST(PatternObject, PositionsAreByteOffsetsAndFirstIndexCountsUnits) {
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create("(b+)", "中文abb中b"));
    ASSERT_EQ(pattern.MatchCount(), 2);
    TextPos position = -1;
    EXPECT_EQ(pattern.MatchText(1, &position), "bb");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(pattern.SubMatchText(2, 1, &position), "b");
    EXPECT_EQ(position, 9);
}

TEST(PatternObject, ReplaceMatchesSyntax) {
    PatternObject pattern;
    ASSERT_TRUE(pattern.Create("(\\w)(\\d)", "a1 b2"));
    EXPECT_EQ(pattern.ReplaceMatches("$2$1"), "1a 2b");
    EXPECT_EQ(pattern.ReplaceMatches("[$&]$$"), "[a1]$ [b2]$");
    EXPECT_EQ(pattern.ReplaceMatches("$9"), "$9 $9");
    EXPECT_EQ(pattern.ReplaceMatches(), " ");
    ASSERT_TRUE(pattern.Create("x*", "ab"));
    EXPECT_EQ(pattern.ReplaceMatches("-"), "-a-b-");
}

TEST(PatternObject, EachObjectPairsApartmentInitialisation) {
    const int before = ComInitCount();
    {
        PatternObject first;
        EXPECT_EQ(ComInitCount(), before + 1);
        PatternObject second;
        first.Create("a", "a");
        PatternObject copy(first);
        EXPECT_EQ(ComInitCount(), before + 3);
        EXPECT_EQ(copy.MatchCount(), 1);  // the copy shares the matches
        std::thread([] {
            PatternObject elsewhere;
            EXPECT_EQ(ComInitCount(), 1);  // counted per thread
        }).join();
    }
    EXPECT_EQ(ComInitCount(), before);
}

// A region on which the lazy search pattern would backtrack for minutes costs bounded work
// (the test's time-out catches a hang), and the records before and after it are still found;
// a subject that merely never completes a record is searched to its end and holds no match.
TEST(PatternObject, HostileRegionsCostBoundedWorkAndKeepTheRecordsAround) {
    const std::string before = Record("MUSIC_1", "A", "B", "C");
    const std::string after = Record("MUSIC_2", "D", "E", "F");
    std::string crafted = "rid':'";
    while (crafted.size() < 12 * 1024) crafted += "','songName':'','album':'','";
    std::string unfinished;
    while (unfinished.size() < 1024 * 1024) unfinished += "rid':'a','songName':'b','album':'c','";
    std::string fragments;
    while (fragments.size() < 1024 * 1024) fragments += "rid':'";

    PatternObject pattern;
    for (const std::string* region : {&crafted, &unfinished}) {
        ASSERT_TRUE(pattern.Create(SearchPattern, before + *region + "\n" + after, false, false,
                                   true, true));
        ASSERT_EQ(pattern.MatchCount(), 2) << region->size();
        EXPECT_EQ(pattern.SubMatchText(1, 1), "MUSIC_1");
        EXPECT_EQ(pattern.SubMatchText(2, 1), "MUSIC_2");
    }
    EXPECT_TRUE(pattern.Create(SearchPattern, unfinished, false, false, true, true));
    EXPECT_EQ(pattern.MatchCount(), 0);
    EXPECT_TRUE(pattern.Create(SearchPattern, fragments, false, false, true, true));
    EXPECT_EQ(pattern.MatchCount(), 0);
}

TEST(PatternObject, LargeAndMalformedSubjects) {
    PatternObject pattern;
    std::string big(10 * 1024 * 1024, 'a');
    big += "b\xD6";  // a lead byte at the very end
    ASSERT_TRUE(pattern.Create("b(.*)", big));
    ASSERT_EQ(pattern.MatchCount(), 1);
    EXPECT_EQ(pattern.SubMatchText(1, 1), "?");  // the lone lead byte decoded to U+FFFD
    EXPECT_TRUE(pattern.Create("", ""));
    EXPECT_EQ(pattern.MatchCount(), 1);
}

}  // namespace
}  // namespace quillet
