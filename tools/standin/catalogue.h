#pragma once

// The stand-in service's songs. Texts are UTF-8, as the real service answers.

#include <string>
#include <vector>

namespace standin {

struct Song {
    std::string rid;
    std::string name;
    std::string artist;
    std::string album;
    bool hasPicture = true;
};

/// A dozen hand-picked songs (names with characters the list cleans, a name whose GBK form
/// holds a backslash byte, a song without a picture), then `extra` generated ones named
/// "歌曲<n>" by "歌手<n>".
std::vector<Song> MakeCatalogue(int extra);

/// The bytes served for a song: an ID3 header and silent MP3 frames whose padding depends on
/// the rid, exactly `size` bytes long.
std::string SongBytes(const std::string& rid, std::size_t size);
/// The length of the empty ID3v2 tag song bytes start with.
inline constexpr std::size_t SongTagBytes = 10;

/// A 120 x 120 JPEG in a colour that depends on the seed.
std::string PictureJpeg(unsigned seed);

}  // namespace standin
