// The whole road through the real windows against the stand-in service: search, resolve in
// both qualities, download, copy, locate and preview.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include "app/service_settings.h"
#include "app/song_commands.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "tests/support/standin_process.h"
#include "tests/window/window_fixture.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

using testing_support::DeliverPosted;

using namespace Qt::Literals::StringLiterals;
using testing_support::ReadFileBytes;

class SongRoadTest : public testing_support::WindowTest {
  protected:
    SongRoadTest()
        : service_({"--song-bytes", "3670016"}),
          commands_(
              runtime_, [this] { return client_.SaveDirectory(); }, SingleHost(service_.HostPort()),
              [this](const Text& path) {
                  revealed_.push_back(path);
                  return true;
              }) {
        testing_support::WriteFileBytes(dir_.File("yyst.ini"),
                                        "[a]\r\na=" + songs_.Path().string() + "\r\n");
        ConnectCommands(client_, commands_);
    }

    void SearchFor(const QString& keyword) {
        auto* search = Find<QLineEdit>(u"编辑框_搜索"_s);
        search->setText(keyword);
        QTest::keyClick(search, Qt::Key_Return);
        DeliverPosted();
    }
    void ClickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        auto* view = Find<QTableView>(u"超级列表框1"_s);
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), button, {}, rect.center());
    }
    // Waits until cell 5 of the row satisfies `done`, and yields it.
    template <typename Done>
    Text WaitForStatus(int row, Done done) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return done(Cell(row, column::Status)); }, 10000));
        EXPECT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));
        DeliverPosted();
        return Cell(row, column::Status);
    }
    Text WaitForAddress(int row, std::string_view part = ".mp3") {
        return WaitForStatus(row, [part](const Text& cell) {
            return cell.find(part) != Text::npos || cell == status::ResolveFailed;
        });
    }
    Text Cell(int row, int column) { return runtime_.SongList().Cell(row, column); }
    void ChooseMenuItem(int row, const QString& label) {
        ClickRow(row, Qt::RightButton);
        QMenu* menu = runtime_.OpenMenu();
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == label) action->trigger();
        }
        menu->close();
        DeliverPosted();
    }

    testing_support::StandinProcess service_;
    testing_support::TempDir songs_;
    SongCommands commands_;
    std::vector<Text> revealed_;
};

TEST_F(SongRoadTest, SearchResolveDownloadCopyLocate) {
    OpenMain();
    SearchFor(u"微笑"_s);
    auto* view = Find<QTableView>(u"超级列表框1"_s);
    ASSERT_EQ(view->model()->rowCount(), 2);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), u"1"_s);
    EXPECT_EQ(view->model()->index(0, 1).data().toString(), u"让我们一起微笑吧"_s);
    EXPECT_EQ(view->model()->index(0, 5).data().toString(), u"   点击召唤地址"_s);

    ClickRow(0);
    const Text standard = WaitForAddress(0);
    EXPECT_EQ(standard, "http://" + service_.HostPort() + "/resource/MUSIC_1001.mp3");
    EXPECT_EQ(Cell(0, column::Size), "3.5MB");

    QTest::mouseClick(Find<QRadioButton>(u"单选框2"_s), Qt::LeftButton, {}, QPoint(6, 6));
    DeliverPosted();
    ClickRow(0);
    WaitForAddress(0, "/hq/");
    EXPECT_EQ(Cell(0, column::Status),
              "http://" + service_.HostPort() + "/resource/hq/MUSIC_1001.mp3");
    EXPECT_EQ(Cell(0, column::Size), "7MB");

    ChooseMenuItem(0, u"复制歌曲地址"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              GbkToUtf8(Cell(0, column::Status)));

    ChooseMenuItem(0, u"下载歌曲"_s);
    EXPECT_EQ(WaitForStatus(0,
                            [](const Text& cell) {
                                return cell.find(".mp3") == Text::npos &&
                                       cell != status::Downloading;
                            }),
              status::Downloaded);
    const std::string file =
        GbkToUtf8(songs_.Path().string() + "/微笑乐队 - 让我们一起微笑吧.mp3").str();
    EXPECT_EQ(testing_support::SizeAndHash(ReadFileBytes(file)),
              testing_support::SizeAndHash(service_.Get("/resource/hq/MUSIC_1001.mp3")));

    ChooseMenuItem(0, u"定位歌曲文件"_s);
    ASSERT_EQ(revealed_.size(), 1u);
    EXPECT_EQ(GbkToUtf8(revealed_[0]), file);

    // Resolved again, the song is not fetched a second time.
    ClickRow(0);
    WaitForAddress(0);
    messages_.clear();
    ChooseMenuItem(0, u"下载歌曲"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages_.empty(); }, 5000));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, u"别贪心，已经下载过了"_s);
}

TEST_F(SongRoadTest, TwoQuickClicksResolveBothRows) {
    OpenMain();
    SearchFor(u"微笑"_s);
    ClickRow(0);
    ClickRow(1);
    WaitForAddress(0);
    WaitForAddress(1);
    EXPECT_EQ(Cell(0, column::Status),
              "http://" + service_.HostPort() + "/resource/MUSIC_1001.mp3");
    EXPECT_EQ(Cell(1, column::Status),
              "http://" + service_.HostPort() + "/resource/MUSIC_1006.mp3");
}

TEST_F(SongRoadTest, PreviewShowsPageCaptionAndPicture) {
    OpenMain();
    SearchFor(u"微笑"_s);
    ClickRow(0);
    WaitForAddress(0);
    ChooseMenuItem(0, u"试听歌曲"_s);

    QWidget* preview = runtime_.Window("PreviewWindow");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), u"微笑乐队 - 让我们一起微笑吧"_s);
    EXPECT_EQ(ReadFileBytes(dir_.File("M4A.Htm")),
              "<embed src=\"http://" + service_.HostPort() +
                  "/resource/MUSIC_1001.mp3\" width=\"340\" height=\"86\"  "
                  "allowNetworking=\"all\"></embed>");
    auto* picture = preview->findChild<QLabel*>(u"图片框1"_s);
    ASSERT_NE(picture, nullptr);
    // The picture comes from a worker.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picture->pixmap().isNull(); }, 10000));
    EXPECT_NE(service_.RequestLog().find("GET /pic/MUSIC_1001.jpg"), std::string::npos);
    // The player box fetches the song itself (after the size request of the resolution).
    auto songFetches = [&] {
        const std::string log = service_.RequestLog();
        int count = 0;
        for (std::size_t at = log.find("GET /resource/MUSIC_1001.mp3"); at != std::string::npos;
             at = log.find("GET /resource/MUSIC_1001.mp3", at + 1)) {
            ++count;
        }
        return count;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return songFetches() >= 2; }, 20000))
        << service_.RequestLog();
}

}  // namespace
}  // namespace quillet
