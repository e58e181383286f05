#include "catalogue.h"

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>

namespace standin {

std::vector<Song> MakeCatalogue(int extra) {
    std::vector<Song> songs = {
        {"MUSIC_1001", "让我们一起微笑吧", "微笑乐队", "微笑专辑"},
        {"MUSIC_1002", "夏日晴天", "林一", "四季"},
        {"MUSIC_1003", "A/B: C?", "甲&乙", "a/b?"},
        {"MUSIC_1004", "乗亅之歌", "昞", "豛"},  // GBK trail bytes 0x5C and 0x7C
        {"MUSIC_1005", "无图之歌", "无名氏", "未知", false},
        {"MUSIC_1006", "微笑的海", "微笑乐队", "海边"},
        {"MUSIC_1007", "Song \"Quoted\" <One>", "Pipe|Star*", "Album"},
    };
    for (int i = 1; i <= extra; ++i) {
        const std::string n = std::to_string(i);
        songs.push_back({"MUSIC_" + std::to_string(20000 + i), "歌曲" + n, "歌手" + n, "专辑" + n});
    }
    return songs;
}

std::string SongBytes(const std::string& rid, std::size_t size) {
    // An empty ID3 tag, the rid, then MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, mono)
    // whose side information is zero: a player decodes them as silence at real time, while
    // the bytes behind the side information still differ from song to song.
    constexpr std::size_t FrameBytes = 417;
    constexpr std::size_t HeaderAndSideInfo = 4 + 17;
    std::string bytes = "ID3\x03" + std::string(SongTagBytes - 4, '\0') + rid;
    bytes.reserve(size);
    unsigned state = 2166136261u;
    for (const char c : rid) state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    for (std::size_t at = 0; bytes.size() < size; ++at) {
        const std::size_t inFrame = at % FrameBytes;
        if (inFrame < 4) {
            bytes.push_back("\xFF\xFB\x90\xC0"[inFrame]);
        } else if (inFrame < HeaderAndSideInfo) {
            bytes.push_back('\0');
        } else {
            state = state * 1103515245u + 12345u;
            bytes.push_back(static_cast<char>(state >> 24));
        }
    }
    bytes.resize(size);
    return bytes;
}

std::string PictureJpeg(unsigned seed) {
    constexpr int Side = 120;
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &buffer, &length);
    info.image_width = Side;
    info.image_height = Side;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::string row(Side * 3, '\0');
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < Side; ++x) {
            row[x * 3] = static_cast<char>((seed * 67 + x) & 0xFF);
            row[x * 3 + 1] = static_cast<char>((seed * 131 + info.next_scanline) & 0xFF);
            row[x * 3 + 2] = static_cast<char>(seed * 29 & 0xFF);
        }
        JSAMPROW rows[] = {reinterpret_cast<JSAMPROW>(row.data())};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(buffer), length);
    std::free(buffer);
    return jpeg;
}

}  // namespace standin
