#include "app/search_reply.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

std::string Record(const std::string& rid, const std::string& song, const std::string& album,
                   const std::string& artist) {
    return "{'rid':'" + rid + "','songName':'" + song + "','album':'" + album +
           "','albumid':'1','artist':'" + artist + "','artistid':'2'}";
}

TEST(SearchReply, ReadsRecordsInOrderAndCleansThem) {
    const std::string reply = "try {var jsondata={'abslist':[" +
                              Record("MUSIC_1", "A/B: C?", "a/b?", "A&B") + "," +
                              Record("MUSIC_2", "A&B", "专辑", "x\"<y>|z*") + "," +
                              Record("MUSIC_3", "乗亅\\|", "", "昞") + "]}}";
    const SearchReply result = ReadSearchReply(reply);
    ASSERT_TRUE(result.patternWorked);
    ASSERT_EQ(result.records.size(), 3u);
    EXPECT_EQ(result.records[0].songName, "A B  C ");
    EXPECT_EQ(result.records[0].album, "a/b ");
    EXPECT_EQ(result.records[0].artist, "A、B");
    EXPECT_EQ(result.records[1].songName, "A&B");
    EXPECT_EQ(result.records[1].artist, "x  y  z ");
    // Characters whose second GBK byte is a backslash or a bar stay whole.
    EXPECT_EQ(result.records[2].songName, "乗亅  ");
    EXPECT_EQ(result.records[2].artist, "昞");
    EXPECT_EQ(result.records[2].rid, "MUSIC_3");
}

TEST(SearchReply, NoMatchAndEmptyReplies) {
    for (const char* reply : {"", "try {var jsondata={'TOTAL':'0','abslist':[]}}", "<html>"}) {
        const SearchReply result = ReadSearchReply(reply);
        EXPECT_TRUE(result.patternWorked);
        EXPECT_TRUE(result.records.empty());
    }
}

TEST(SearchReply, RidIsTakenAsMatched) {
    const SearchReply result = ReadSearchReply(Record(" ../x?/", "s", "a", "b"));
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(result.records[0].rid, " ../x?/");
}

}  // namespace
}  // namespace quillet
