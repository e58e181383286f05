#include "runtime/tags/song_tags.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/picture_samples.h"
#include "tests/support/temp_dir.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// MPEG-1 Layer III frames, 128 kbit/s at 44.1 kHz (417 bytes each), whose payload bytes stay
// below 0x40: no frame sync, no tag signature can appear inside them.
std::string MakeMp3(int frames) {
    std::string mp3;
    for (int f = 0; f < frames; ++f) {
        mp3.append("\xFF\xFB\x90\x00", 4);
        for (int i = 4; i < 417; ++i) mp3 += static_cast<char>((i * 7 + f) % 0x40);
    }
    return mp3;
}

std::size_t Id3v2Size(const std::string& file) {
    if (file.compare(0, 3, "ID3") != 0 || file.size() < 10) return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i)
        size = size << 7 | (static_cast<unsigned char>(file[static_cast<std::size_t>(i)]) & 0x7F);
    return size + 10;
}

std::string Utf8(const TagLib::String& text) {
    return text.to8Bit(true);
}

bool OnlyFileIn(const TempDir& dir) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++count;
    }
    return count == 1;
}

// A song file in a temporary folder, named in GBK (UTF-8 on disk).
struct SongFile {
    TempDir dir;
    Text path = dir.Path().string() + "/歌手 - 歌名.mp3";
    std::string onDisk = GbkToUtf8(path).str();
};

const SongTags Sample{"晴天", "周杰伦 & 乐队", "叶惠美"};

TEST(SongTags, WritesUtf8TextAndFrontCoverBeforeTheUntouchedAudio) {
    struct Case {
        const char* name;
        std::string cover;
        const char* mime;
    };
    const Case cases[] = {{"jpeg", testing_support::MakeJpeg(24, 16), "image/jpeg"},
                          {"png", testing_support::MakePng(24, 16), "image/png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SongFile song;
        const std::string audio = MakeMp3(8);
        WriteFileBytes(song.onDisk, audio);

        ASSERT_TRUE(AddSongTags(song.path, Sample, c.cover));

        const std::string tagged = ReadFileBytes(song.onDisk);
        const std::size_t tagSize = Id3v2Size(tagged);
        ASSERT_GT(tagSize, 10u);
        EXPECT_TRUE(tagged.substr(tagSize) == audio);
        EXPECT_TRUE(OnlyFileIn(song.dir));  // no copy left beside it

        TagLib::MPEG::File file(song.onDisk.c_str());
        ASSERT_TRUE(file.hasID3v2Tag());
        EXPECT_FALSE(file.hasID3v1Tag());
        EXPECT_FALSE(file.hasAPETag());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), 4u);
        EXPECT_EQ(Utf8(tag->title()), GbkToUtf8(Sample.title));
        EXPECT_EQ(Utf8(tag->artist()), GbkToUtf8(Sample.artist));
        EXPECT_EQ(Utf8(tag->album()), GbkToUtf8(Sample.album));
        for (const char* id : {"TIT2", "TPE1", "TALB"}) {
            const TagLib::ID3v2::FrameList& frames = tag->frameListMap()[id];
            ASSERT_EQ(frames.size(), 1u) << id;
            auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->textEncoding(), TagLib::String::UTF8) << id;
        }
        const TagLib::ID3v2::FrameList& pictures = tag->frameListMap()["APIC"];
        ASSERT_EQ(pictures.size(), 1u);
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        EXPECT_EQ(picture->mimeType(), c.mime);
        EXPECT_EQ(std::string(picture->picture().data(), picture->picture().size()), c.cover);
    }
}

TEST(SongTags, FilesThatNeedNothingStayByteForByte) {
    struct Case {
        const char* name;
        std::function<void(TagLib::MPEG::File&)> tagItOwnWay;
        SongTags tags;
        std::string cover;
    };
    const std::string jpeg = testing_support::MakeJpeg(8, 8);
    const Case cases[] = {
        {"own ID3v2.3",
         [](TagLib::MPEG::File& f) {
             f.ID3v2Tag(true)->setTitle("Own");
             f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
         },
         Sample, jpeg},
        {"own ID3v1",
         [](TagLib::MPEG::File& f) {
             f.ID3v1Tag(true)->setTitle("Own");
             f.save(TagLib::MPEG::File::ID3v1);
         },
         Sample, jpeg},
        {"own APE",
         [](TagLib::MPEG::File& f) {
             f.APETag(true)->setTitle("Own");
             f.save(TagLib::MPEG::File::APE);
         },
         Sample, jpeg},
        {"nothing to write", [](TagLib::MPEG::File&) {}, SongTags{}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SongFile song;
        WriteFileBytes(song.onDisk, MakeMp3(8));
        {
            TagLib::MPEG::File file(song.onDisk.c_str(), false);
            c.tagItOwnWay(file);
        }
        const std::string before = ReadFileBytes(song.onDisk);

        EXPECT_TRUE(AddSongTags(song.path, c.tags, c.cover));
        EXPECT_TRUE(ReadFileBytes(song.onDisk) == before);
        EXPECT_TRUE(OnlyFileIn(song.dir));
    }
}

TEST(SongTags, CoversThatCannotBeShownAreLeftOut) {
    std::string damagedPng = testing_support::MakePng(16, 16);
    damagedPng.resize(damagedPng.size() / 2);
    std::string largeJpeg = testing_support::MakeJpeg(8, 8);
    largeJpeg.resize(MaxCoverBytes + 1, '\0');  // bytes after the picture's end

    std::string fullJpeg = testing_support::MakeJpeg(8, 8);
    fullJpeg.resize(MaxCoverBytes, '\0');
    ASSERT_TRUE(IsUsableCover(fullJpeg));  // the limit itself is allowed

    const std::pair<const char*, std::string> cases[] = {
        {"no cover", ""},
        {"a page", "<html>not found</html>"},
        {"damaged PNG", damagedPng},
        {"GIF", testing_support::TinyGif()},
        {"JPEG over the limit", largeJpeg},
    };
    for (const auto& [name, cover] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsUsableCover(cover));
        SongFile song;
        WriteFileBytes(song.onDisk, MakeMp3(4));

        ASSERT_TRUE(AddSongTags(song.path, Sample, cover));
        TagLib::MPEG::File file(song.onDisk.c_str());
        ASSERT_TRUE(file.hasID3v2Tag());
        EXPECT_EQ(Utf8(file.ID3v2Tag()->title()), GbkToUtf8(Sample.title));
        EXPECT_TRUE(file.ID3v2Tag()->frameListMap()["APIC"].isEmpty());
    }
}

TEST(SongTags, FailuresLeaveTheFileAsItWas) {
    SongFile song;
    const std::string audio = MakeMp3(8);

    // Missing file.
    EXPECT_FALSE(AddSongTags(song.path, Sample, ""));
    EXPECT_FALSE(std::filesystem::exists(song.onDisk));
    EXPECT_FALSE(AddSongTags("", Sample, ""));

    // Not MPEG audio: an error page served in the song's place.
    WriteFileBytes(song.onDisk, "<html><body>404 Not Found</body></html>");
    EXPECT_FALSE(AddSongTags(song.path, Sample, ""));
    EXPECT_EQ(ReadFileBytes(song.onDisk), "<html><body>404 Not Found</body></html>");

    // No room for the tagged copy: writes past the file-size limit fail, as on a full disk.
    WriteFileBytes(song.onDisk, audio);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit tight = old;
    tight.rlim_cur = audio.size() + 100;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool tagged = AddSongTags(song.path, Sample, testing_support::MakeJpeg(64, 64));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(tagged);
    EXPECT_TRUE(ReadFileBytes(song.onDisk) == audio);
    EXPECT_TRUE(OnlyFileIn(song.dir));
}

TEST(SongTags, ReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
    SongFile song;
    const std::string audio = MakeMp3(8);
    WriteFileBytes(song.onDisk, audio);
    std::filesystem::permissions(song.onDisk, std::filesystem::perms::owner_read);
    EXPECT_FALSE(AddSongTags(song.path, Sample, ""));
    EXPECT_TRUE(ReadFileBytes(song.onDisk) == audio);
    EXPECT_TRUE(OnlyFileIn(song.dir));
}

}  // namespace
}  // namespace quillet
