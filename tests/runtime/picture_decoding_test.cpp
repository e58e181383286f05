#include "runtime/picture_decoding.h"

#include <gtest/gtest.h>

#include "tests/support/picture_samples.h"

namespace quillet {
namespace {

using namespace testing_support;

struct SniffCase {
    const char* name;
    std::string bytes;
    PictureFormat format;
};

class SniffCases : public testing::TestWithParam<SniffCase> {};

TEST_P(SniffCases, ToldByFirstBytes) {
    EXPECT_EQ(SniffPictureFormat(GetParam().bytes), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SniffCases,
    testing::Values(SniffCase{"Png", MakePng(2, 2), PictureFormat::Png},
                    SniffCase{"Jpeg", MakeJpeg(2, 2), PictureFormat::Jpeg},
                    SniffCase{"Gif", TinyGif(), PictureFormat::Gif},
                    SniffCase{"Bmp", "BM\x36\x00", PictureFormat::Bmp},
                    SniffCase{"Icon", std::string("\0\0\1\0\1\0", 6), PictureFormat::Icon},
                    SniffCase{"Cursor", std::string("\0\0\2\0\1\0", 6), PictureFormat::None},
                    SniffCase{"PngSignatureCut", "\x89PNG", PictureFormat::None},
                    SniffCase{"Html", "<html>", PictureFormat::None},
                    SniffCase{"Empty", "", PictureFormat::None}),
    [](const auto& param) { return param.param.name; });

struct DecodeCase {
    const char* name;
    std::string bytes;
    bool (*decode)(std::string_view, DecodedPicture&);
    int width;  // 0: refused
};

class DecodeCases : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeCases, DecodesOrRefusesCleanly) {
    const DecodeCase& c = GetParam();
    DecodedPicture picture;
    picture.width = 99;  // left over from an earlier picture
    bool ok = c.decode(c.bytes, picture);
    EXPECT_EQ(ok, c.width > 0);
    EXPECT_EQ(picture.width, c.width);
    if (!ok) {
        EXPECT_TRUE(picture.rgba.empty());
        return;
    }
    ASSERT_EQ(picture.rgba.size(), static_cast<std::size_t>(picture.width * picture.height * 4));
    // Left half red, right half blue (JPEG within its loss).
    const std::uint8_t* left = &picture.rgba[0];
    const std::uint8_t* right = &picture.rgba[static_cast<std::size_t>(picture.width - 1) * 4];
    EXPECT_GT(left[0], 200);
    EXPECT_LT(left[2], 60);
    EXPECT_GT(right[2], 200);
    EXPECT_LT(right[0], 60);
    EXPECT_EQ(left[3], 255);
}

std::string Cut(std::string bytes, std::size_t keep) {
    return bytes.substr(0, keep);
}

// A valid JPEG whose frame header claims width × height (the data behind it does not matter:
// the size is refused before any of it is read).
std::string JpegClaiming(unsigned width, unsigned height) {
    std::string jpeg = MakeJpeg(8, 8);
    const std::size_t sof = jpeg.find("\xFF\xC0");
    jpeg[sof + 5] = static_cast<char>(height >> 8), jpeg[sof + 6] = static_cast<char>(height);
    jpeg[sof + 7] = static_cast<char>(width >> 8), jpeg[sof + 8] = static_cast<char>(width);
    return jpeg;
}

std::string HugePngHeader() {
    // A valid signature and IHDR claiming 100000 × 100000 pixels.
    std::string png = MakePng(1, 1);
    png[16] = 0, png[17] = 1, png[18] = '\x86', png[19] = '\xA0';
    png[20] = 0, png[21] = 1, png[22] = '\x86', png[23] = '\xA0';
    return png;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecodeCases,
    testing::Values(
        DecodeCase{"Png", MakePng(16, 8), DecodePng, 16},
        DecodeCase{"Jpeg", MakeJpeg(32, 16), DecodeJpeg, 32},
        DecodeCase{"JpegProgressive", MakeProgressiveJpeg(32, 16, false), DecodeJpeg, 32},
        // Every scan is a pass over the whole picture: hundreds of them cost seconds.
        DecodeCase{"JpegTooManyScans", MakeProgressiveJpeg(32, 16, true), DecodeJpeg, 0},
        DecodeCase{"PngCut", Cut(MakePng(64, 64), 60), DecodePng, 0},
        DecodeCase{"PngCutInData", Cut(MakePng(64, 64), MakePng(64, 64).size() - 20), DecodePng, 0},
        DecodeCase{"JpegCut", Cut(MakeJpeg(64, 64), MakeJpeg(64, 64).size() / 2), DecodeJpeg, 0},
        DecodeCase{"JpegHeaderOnly", Cut(MakeJpeg(64, 64), 20), DecodeJpeg, 0},
        DecodeCase{"JpegGarbageAfterMarker", "\xFF\xD8\xFF\xE0garbage-garbage-garbage", DecodeJpeg,
                   0},
        DecodeCase{"PngGarbage", "\x89PNG\r\n\x1a\nnot a chunk at all", DecodePng, 0},
        DecodeCase{"PngOversized", HugePngHeader(), DecodePng, 0},
        // 16384 × 2048 is within the side limit but over the pixel limit.
        DecodeCase{"JpegTooManyPixels", JpegClaiming(16384, 2048), DecodeJpeg, 0},
        DecodeCase{"PngEmpty", "", DecodePng, 0}, DecodeCase{"JpegEmpty", "", DecodeJpeg, 0},
        DecodeCase{"JpegGivenPng", MakePng(4, 4), DecodeJpeg, 0},
        DecodeCase{"PictureTellsPng", MakePng(16, 8), DecodePicture, 16},
        DecodeCase{"PictureTellsJpeg", MakeJpeg(32, 16), DecodePicture, 32},
        DecodeCase{"PictureLeavesGifToQt", TinyGif(), DecodePicture, 0}),
    [](const auto& param) { return param.param.name; });

}  // namespace
}  // namespace quillet
