#include "runtime/qt/picture_box.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMovie>

#include "tests/support/picture_samples.h"

namespace quillet {
namespace {

using namespace testing_support;

std::string Encoded(const char* format) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

struct PictureCase {
    const char* name;
    std::string bytes;
    bool shown;
    bool movie;
};

class PictureBoxCases : public testing::TestWithParam<PictureCase> {};

TEST_P(PictureBoxCases, ShowsKnownPicturesStretched) {
    const PictureCase& c = GetParam();
    QLabel box;
    box.resize(120, 120);
    // Left over from an earlier picture: must go whatever comes now.
    ASSERT_TRUE(SetPictureBytes(&box, MakePng(4, 4)));
    EXPECT_EQ(SetPictureBytes(&box, c.bytes), c.shown);
    EXPECT_TRUE(box.hasScaledContents());
    bool hasPixmap = !box.pixmap().isNull();
    bool hasMovie = box.movie() != nullptr;
    EXPECT_EQ(hasPixmap || hasMovie, c.shown);
    EXPECT_EQ(hasMovie, c.movie);
    if (c.movie) {
        EXPECT_EQ(box.movie()->state(), QMovie::Running);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PictureBoxCases,
    testing::Values(PictureCase{"Png", MakePng(32, 8), true, false},
                    PictureCase{"Jpeg", MakeJpeg(120, 120), true, false},
                    PictureCase{"Gif", TinyGif(), true, true},
                    PictureCase{"AnimatedGif", AnimatedGif(), true, true},
                    PictureCase{"Bmp", Encoded("BMP"), true, false},
                    PictureCase{"Icon", Encoded("ICO"), true, false},
                    PictureCase{"TruncatedPng", MakePng(64, 64).substr(0, 100), false, false},
                    PictureCase{"TruncatedJpeg", MakeJpeg(64, 64).substr(0, 300), false, false},
                    PictureCase{"TruncatedGif", TinyGif().substr(0, 8), false, false},
                    PictureCase{"Garbage", "<html>not a picture</html>", false, false},
                    PictureCase{"Empty", "", false, false}),
    [](const auto& param) { return param.param.name; });

TEST(PictureBox, AnimatedGifHasTwoFrames) {
    QLabel box;
    box.resize(120, 120);
    ASSERT_TRUE(SetPictureBytes(&box, AnimatedGif()));
    ASSERT_NE(box.movie(), nullptr);
    EXPECT_EQ(box.movie()->frameCount(), 2);
}

}  // namespace
}  // namespace quillet
