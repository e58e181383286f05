#include "app/song_files.h"

#include <gtest/gtest.h>

#include "app/player_page.h"

namespace quillet {
namespace {

TEST(SongFiles, Paths) {
    EXPECT_EQ(SongFilePath("/home/u/Music", "歌手", "歌名"), "/home/u/Music/歌手 - 歌名.mp3");
    EXPECT_EQ(SongFilePath("/home/u/Desktop/", "a", "b"), "/home/u/Desktop/a - b.mp3");
    EXPECT_EQ(SongFilePath("/", "a", "b"), "/a - b.mp3");
    EXPECT_EQ(TemporaryFilePath("/music", "MUSIC_1"), "/music/MUSIC_1.mp3");
}

TEST(SongFiles, TemporaryFileStaysInTheFolder) {
    for (const char* rid : {"../../etc/passwd", "/abs", "..", "a/../../b", "\x80/../x"}) {
        const Text path = TemporaryFilePath("/music", rid);
        EXPECT_EQ(path.rfind('/'), std::string("/music").size()) << path;
    }
}

// The cleaning of names steps over double-byte characters, so a "/" or NUL behind the single
// byte 0x80 can reach the path; the name part must still hold neither.
TEST(SongFiles, NamePartNeverHoldsSlashOrNul) {
    const std::string nul("a\0b", 3);
    const Text song = SongFilePath("/music", "\x80/..", "x\x80/" + nul);
    EXPECT_EQ(song, "/music/\x80 .. - x\x80 a b.mp3");
    const Text temporary = TemporaryFilePath("/music", "\x80/" + nul);
    EXPECT_EQ(temporary, "/music/\x80_a_b.mp3");
}

TEST(PlayerPage, WritesTheThreePieces) {
    EXPECT_EQ(PlayerPage("http://h/resource/a.mp3"),
              "<embed src=\"http://h/resource/a.mp3\" width=\"340\" height=\"86\"  "
              "allowNetworking=\"all\"></embed>");
    // A quote in the address cannot end the attribute and add markup.
    EXPECT_EQ(PlayerPage("x.mp3\" onload=\"y"),
              "<embed src=\"x.mp3&quot; onload=&quot;y\" width=\"340\" height=\"86\"  "
              "allowNetworking=\"all\"></embed>");
    // The address need not be GBK: a quote right behind a high byte is escaped as well.
    EXPECT_EQ(PlayerPage("/resource/\xB0\"><iframe>.mp3"),
              "<embed src=\"/resource/\xB0&quot;><iframe>.mp3\" width=\"340\" height=\"86\"  "
              "allowNetworking=\"all\"></embed>");
}

}  // namespace
}  // namespace quillet
