#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "app/placeholder_picture.h"
#include "app/preview_window.h"
#include "runtime/qt/picture_box.h"
#include "runtime/qt/player_box.h"
#include "tests/support/picture_samples.h"
#include "tests/support/standin_process.h"
#include "tests/window/window_fixture.h"

namespace quillet {
namespace {

using testing_support::DeliverPosted;

using testing_support::WindowTest;
using namespace Qt::Literals::StringLiterals;

using PreviewWindowTest = WindowTest;

TEST_F(PreviewWindowTest, NeedsTheMainWindowAsOwner) {
    EXPECT_FALSE(runtime_.LoadWindow(PreviewWindowSpec));
    EXPECT_EQ(runtime_.Window("PreviewWindow"), nullptr);
}

TEST_F(PreviewWindowTest, WindowAndControls) {
    QWidget* main = OpenMain();
    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    QWidget* preview = runtime_.Window("PreviewWindow");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), u"试听歌曲"_s);
    EXPECT_EQ(preview->size(), QSize(485, 138));  // client area of the 491 × 166 frame
    EXPECT_EQ(preview->minimumSize(), preview->maximumSize());
    EXPECT_TRUE(preview->isWindow());
    EXPECT_EQ(preview->parentWidget(), main);  // owned: above the main window, closed with it
    EXPECT_EQ(preview->windowModality(), Qt::NonModal);
    EXPECT_FALSE(preview->windowFlags() & Qt::WindowMaximizeButtonHint);

    auto* picture = preview->findChild<QLabel*>(u"图片框1"_s);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(8, 8, 120, 120));
    EXPECT_EQ(picture->frameShape(), QFrame::Box);
    EXPECT_TRUE(picture->hasScaledContents());
    QWidget* browser = preview->findChild<QWidget*>(u"超文本浏览框1"_s);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->geometry(), QRect(132, 8, 385, 120));

    runtime_.SetCaption("PreviewWindow", "微笑乐队 - 晴天");
    EXPECT_EQ(preview->windowTitle(), u"微笑乐队 - 晴天"_s);
    runtime_.SetPicture("图片框1", testing_support::MakeJpeg(120, 120));
    EXPECT_FALSE(picture->pixmap().isNull());
    runtime_.SetPicture("图片框1", "not a picture");
    EXPECT_TRUE(picture->pixmap().isNull());
}

TEST_F(PreviewWindowTest, LoadingAgainRaisesAndRestoresTheSameWindow) {
    OpenMain();
    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    QWidget* preview = runtime_.Window("PreviewWindow");
    runtime_.SetCaption("PreviewWindow", "kept");
    preview->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    EXPECT_EQ(runtime_.Window("PreviewWindow"), preview);
    EXPECT_FALSE(preview->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(preview->windowTitle(), u"kept"_s);
}

TEST_F(PreviewWindowTest, ClosesWithTheMainWindowAndEscapeClosesIt) {
    QWidget* main = OpenMain();
    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    QWidget* preview = runtime_.Window("PreviewWindow");
    preview->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
    QTest::keyClick(preview, Qt::Key_Escape);
    DeliverPosted();
    EXPECT_EQ(runtime_.Window("PreviewWindow"), nullptr);
    ASSERT_NE(runtime_.Window("MainWindow"), nullptr);  // Escape there closes only the preview

    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    main->close();
    DeliverPosted();
    EXPECT_EQ(runtime_.Window("PreviewWindow"), nullptr);
    EXPECT_EQ(runtime_.Window("MainWindow"), nullptr);
}

TEST_F(PreviewWindowTest, PlayerBoxIsMadeWithThePreviewWindowOnly) {
    OpenMain();
    // Nothing of the player exists before the first preview.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_TRUE(top->findChildren<PlayerBox*>().isEmpty());
    }
    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    QWidget* box = runtime_.Window("PreviewWindow")->findChild<QWidget*>(u"超文本浏览框1"_s);
    PlayerBox* player = PlayerBoxIn(box);
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->Source().isEmpty());  // no address at load
    DeliverPosted();
    EXPECT_EQ(player->geometry(), QRect(QPoint(0, 0), box->size()));  // fills the 385 x 120 box

    std::string page = dir_.File("M4A.Htm");
    testing_support::WriteFileBytes(page, "<embed src=\"http://127.0.0.1:9/a.mp3\"></embed>");
    runtime_.SetBrowserAddress("超文本浏览框1", page);
    EXPECT_EQ(player->Source(), u"http://127.0.0.1:9/a.mp3"_s);
    EXPECT_EQ(PlayerBoxIn(box), player);  // one box, reused
}

QImage Shown(const QLabel* box) {
    return box->pixmap().toImage().convertToFormat(QImage::Format_RGBA8888);
}

QImage Decoded(std::string_view bytes) {
    return PreparePictureBytes(bytes).image.convertToFormat(QImage::Format_RGBA8888);
}

TEST_F(PreviewWindowTest, PictureComesFromAWorkerAndOnlyForTheSongStillShown) {
    testing_support::StandinProcess standin;
    ASSERT_FALSE(standin.HostPort().empty());
    const std::string pictures = "http://" + standin.HostPort() + "/pic/";
    const std::string song = "http://" + standin.HostPort() + "/resource/MUSIC_1001.mp3";
    OpenMain();
    PreviewWindow preview(runtime_, "");

    // The window shows the song at once; the picture box stays empty while the host holds
    // the picture back, and fills when it comes.
    standin.CloseGate();
    preview.Show({song, "微笑乐队 - 让我们一起微笑吧", pictures + "MUSIC_1001.jpg"});
    QWidget* window = runtime_.Window("PreviewWindow");
    ASSERT_NE(window, nullptr);
    auto* box = window->findChild<QLabel*>(u"图片框1"_s);
    EXPECT_EQ(window->windowTitle(), u"微笑乐队 - 让我们一起微笑吧"_s);
    ASSERT_TRUE(standin.WaitUntilHeld(1));
    DeliverPosted();
    EXPECT_TRUE(box->pixmap().isNull());
    standin.OpenGate();
    ASSERT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));
    DeliverPosted();
    const QImage first = Decoded(standin.Get("/pic/MUSIC_1001.jpg"));
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(Shown(box), first);

    // A picture arriving after another song took the window is dropped: neither the
    // placeholder of a song without a picture nor a later song's picture is replaced by it.
    struct Later {
        const char* picture;  // empty: the song has none
        QImage expected;
    };
    for (const Later& later :
         {Later{"", Decoded(PlaceholderPicture())},
          Later{"MUSIC_1002.jpg", Decoded(standin.Get("/pic/MUSIC_1002.jpg"))}}) {
        standin.CloseGate();
        preview.Show({song, "a - b", pictures + "MUSIC_1001.jpg"});
        ASSERT_TRUE(standin.WaitUntilHeld(1));
        preview.Show({song, "c - d", *later.picture ? pictures + later.picture : ""});
        EXPECT_EQ(window->windowTitle(), u"c - d"_s);
        standin.OpenGate();
        ASSERT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));
        DeliverPosted();
        ASSERT_FALSE(later.expected.isNull());
        EXPECT_NE(later.expected, first);
        EXPECT_EQ(Shown(box), later.expected) << later.picture;
    }
}

}  // namespace
}  // namespace quillet
