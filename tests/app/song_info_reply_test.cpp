#include "app/song_info_reply.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

constexpr const char* Reply =
    "<Song><mp3path>MUSIC_1.mp3</mp3path><mp3dl>127.0.0.1:8080</mp3dl>"
    "<artist_pic240>http://127.0.0.1:8080/pic/1.jpg</artist_pic240></Song>";

TEST(SongInfoReply, ReadsAddressAndPicture) {
    EXPECT_TRUE(ReplyHasMp3(Reply));
    EXPECT_EQ(StandardAddress(Reply), "http://127.0.0.1:8080/resource/MUSIC_1.mp3");
    EXPECT_EQ(ArtistPictureAddress(Reply), "http://127.0.0.1:8080/pic/1.jpg");
    EXPECT_EQ(ArtistPictureAddress("<artist_pic240></artist_pic240>"), "");
}

TEST(SongInfoReply, Mp3AnywhereCounts) {
    EXPECT_TRUE(ReplyHasMp3("<artist_pic240>x.mp3</artist_pic240>"));
    EXPECT_FALSE(ReplyHasMp3("<mp3path>a.MP3</mp3path>"));
    EXPECT_FALSE(ReplyHasMp3(""));
}

TEST(SongInfoReply, MissingPartsGiveNoAddress) {
    EXPECT_EQ(StandardAddress("<mp3path>a.mp3</mp3path>"), std::nullopt);
    EXPECT_EQ(StandardAddress("<mp3dl>h</mp3dl>"), std::nullopt);
    EXPECT_EQ(StandardAddress("<mp3dl></mp3dl><mp3path>a.mp3</mp3path>"), std::nullopt);
}

TEST(SongInfoReply, SizeTexts) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {3670016, "3.5MB"},     {5242880, "5MB"},    {3624620, "3.46MB"}, {0, "0MB"},
        {4194304, "4MB"},       {1, "0MB"},          {5243, "0.01MB"},    {5242, "0MB"},
        {1048576000, "1000MB"}, {-3670016, "-3.5MB"}};
    for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
}

}  // namespace
}  // namespace quillet
