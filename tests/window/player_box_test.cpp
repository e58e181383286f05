#include "runtime/qt/player_box.h"

#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "app/preview_window.h"
#include "runtime/qt/player_thread.h"
#include "tests/support/standin_process.h"
#include "tests/window/window_fixture.h"

namespace quillet {
namespace {

using testing_support::StandinProcess;
using testing_support::WindowTest;
using testing_support::WriteFileBytes;
using namespace Qt::Literals::StringLiterals;

TEST(EmbedAddress, ReadsTheFirstEmbedsSource) {
    const struct {
        const char* name;
        QString page;
        QString address;
    } cases[] = {
        {"player page", u"<embed src=\"http://h/a.mp3\" width=\"340\"></embed>"_s,
         u"http://h/a.mp3"_s},
        {"escaped quote comes back", u"<embed src=\"http://h/a&quot;b.mp3\">"_s,
         u"http://h/a\"b.mp3"_s},
        {"entities", u"<embed src=\"http://h/?a=1&amp;b=&#50;&#x33;&lt;\">"_s,
         u"http://h/?a=1&b=23<"_s},
        {"unknown entity stays", u"<embed src=\"a&nbsp;b&\">"_s, u"a&nbsp;b&"_s},
        {"single quotes, other case", u"<EMBED width=1 SRC='http://h/x.mp3'>"_s,
         u"http://h/x.mp3"_s},
        {"unquoted", u"<embed src=http://h/y.mp3 width=2>"_s, u"http://h/y.mp3"_s},
        {"'>' inside a value", u"<embed title=\"a>b\" src=\"http://h/z.mp3\">"_s,
         u"http://h/z.mp3"_s},
        {"another attribute ending in src", u"<embed data-src=\"x\">"_s, QString()},
        {"not an embed", u"<embedded src=\"x\"><p>x</p>"_s, QString()},
        {"no embed", u"<p>player</p>"_s, QString()},
        {"cut off", u"<embed src=\"http://h/a.mp3"_s, QString()},
        {"first of two", u"<embed src=\"1\"><embed src=\"2\">"_s, u"1"_s},
    };
    for (const auto& c : cases) EXPECT_EQ(EmbedAddress(c.page), c.address) << c.name;
}

// A player box in a preview window of the runtime, playing from the stand-in service.
class PlayerBoxTest : public WindowTest {
  protected:
    PlayerBoxTest() : service_({"--song-bytes", "800000"}) {}

    PlayerBox* OpenPreview() {
        OpenMain();
        EXPECT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
        QWidget* preview = runtime_.Window("PreviewWindow");
        return preview ? PlayerBoxIn(preview->findChild<QWidget*>(u"超文本浏览框1"_s)) : nullptr;
    }

    std::string SongAddress(const std::string& rid) {
        return "http://" + service_.HostPort() + "/resource/" + rid + ".mp3";
    }

    /// Writes a player page and points the preview's box at it.
    void Show(const std::string& pageBytes) {
        const std::string page = dir_.File("M4A.Htm");
        WriteFileBytes(page, pageBytes);
        runtime_.SetBrowserAddress("超文本浏览框1", page);
    }

    bool Requested(const std::string& rid) {
        return service_.RequestLog().find("GET /resource/" + rid + ".mp3") != std::string::npos;
    }

    StandinProcess service_;
};

TEST_F(PlayerBoxTest, PlaysPausesAndSwitchesSongs) {
    ASSERT_FALSE(service_.HostPort().empty());
    PlayerBox* box = OpenPreview();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->Source().isEmpty());  // nothing plays before a page is shown

    Show("<embed src=\"" + SongAddress("MUSIC_1001") + "\" width=\"340\" height=\"86\"></embed>");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Requested("MUSIC_1001"); }, 10000))
        << service_.RequestLog();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->Position() >= 500; }, 10000))
        << box->ErrorText().toStdString();
    EXPECT_TRUE(box->IsPlaying());
    EXPECT_TRUE(box->ErrorText().isEmpty());
    auto* slider = box->findChild<QSlider*>(u"playerPosition"_s);
    ASSERT_NE(slider, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider->value() > 0; }, 2000));

    // Pause from the box's own button: the position holds.
    auto* button = box->findChild<QToolButton*>(u"playerPlay"_s);
    ASSERT_NE(button, nullptr);
    button->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->IsPlaying(); }));
    const qint64 paused = box->Position();
    EXPECT_FALSE(QTest::qWaitFor([&] { return box->Position() > paused + 200; }, 700));
    button->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->Position() > paused + 200; }, 5000));

    // A second preview switches the song in the same box.
    Show("<embed src=\"" + SongAddress("MUSIC_1006") + "\"></embed>");
    EXPECT_EQ(PlayerBoxIn(box->parentWidget()), box);
    EXPECT_EQ(box->Source(), QString::fromStdString(SongAddress("MUSIC_1006")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Requested("MUSIC_1006"); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->Position() >= 300; }, 10000));
}

// An engine that writes down what it is asked, where, and answers a Play as a player would.
struct EngineLog {
    std::mutex mutex;
    std::vector<std::string> calls;
    bool offGuiThread = true;

    void Add(std::string call) {
        const std::lock_guard lock(mutex);
        offGuiThread = offGuiThread && QThread::currentThread() != qApp->thread();
        calls.push_back(std::move(call));
    }
    bool Has(const std::string& call) {
        const std::lock_guard lock(mutex);
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
};
EngineLog engineLog;

class RecordingEngine final : public PlayerEngine {
  public:
    explicit RecordingEngine(PlayerReports reports) : reports_(std::move(reports)) {
        engineLog.Add("made");
    }
    ~RecordingEngine() override { engineLog.Add("deleted"); }
    void Play(const QUrl& song, int token) override {
        engineLog.Add("play " + song.toString().toStdString());
        reports_.playing(token, true);
        reports_.position(token, 1234);
    }
    void Toggle() override { engineLog.Add("toggle"); }
    void Seek(qint64) override { engineLog.Add("seek"); }
    void SetVolume(float) override { engineLog.Add("volume"); }
    void Stop() override { engineLog.Add("stop"); }

  private:
    PlayerReports reports_;
};

TEST_F(PlayerBoxTest, TheEngineWorksOnItsOwnThreadAndClosingStopsIt) {
    UsePlayerEngineMaker([](PlayerReports reports) -> PlayerEngine* {
        return new RecordingEngine(std::move(reports));
    });
    PlayerBox* box = OpenPreview();
    ASSERT_NE(box, nullptr);
    Show("<embed src=\"http://h/a.mp3\"></embed>");
    EXPECT_EQ(box->Source(), u"http://h/a.mp3"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->Position() == 1234; }, 5000));
    EXPECT_TRUE(box->IsPlaying());
    EXPECT_TRUE(engineLog.Has("play http://h/a.mp3"));

    runtime_.Window("PreviewWindow")->close();
    EXPECT_FALSE(box->IsPlaying());  // at once; the engine is told on its thread
    EXPECT_TRUE(QTest::qWaitFor([&] { return engineLog.Has("stop"); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return engineLog.Has("deleted"); }, 2000));
    EXPECT_EQ(runtime_.Window("PreviewWindow"), nullptr);
    EXPECT_TRUE(engineLog.offGuiThread);
    UsePlayerEngineMaker(&MakeMediaPlayerEngine);
}

TEST_F(PlayerBoxTest, SaysSoWhenThePlayerModuleIsMissing) {
    // Nothing linked, and no quillet-player.so beside the test program.
    UsePlayerEngineMaker(nullptr);
    PlayerBox* box = OpenPreview();
    ASSERT_NE(box, nullptr);
    Show("<embed src=\"http://h/a.mp3\"></embed>");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box->ErrorText().isEmpty(); }, 5000));
    EXPECT_EQ(box->ErrorText(), u"无法播放：播放组件无法加载"_s);
    EXPECT_FALSE(box->IsPlaying());
    // Every later page says it again, however soon it comes.
    Show("<embed src=\"http://h/b.mp3\"></embed>");
    EXPECT_EQ(box->ErrorText(), u"无法播放：播放组件无法加载"_s);
    UsePlayerEngineMaker(&MakeMediaPlayerEngine);
}

TEST_F(PlayerBoxTest, ShowsAnErrorTextWhenThereIsNothingToPlay) {
    PlayerBox* box = OpenPreview();
    ASSERT_NE(box, nullptr);

    Show("<p>no player here</p>");
    EXPECT_EQ(box->ErrorText(), u"页面上没有可播放的歌曲"_s);
    EXPECT_TRUE(box->Source().isEmpty());

    runtime_.SetBrowserAddress("超文本浏览框1", dir_.File("missing.htm"));
    EXPECT_EQ(box->ErrorText(), u"无法打开播放页面"_s);

    // A stream the service refuses: the first error is shown and the player does not run on.
    service_.SetMode("song404");
    Show("<embed src=\"" + SongAddress("MUSIC_1001") + "\"></embed>");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->ErrorText().isEmpty(); }, 10000));
    EXPECT_TRUE(box->ErrorText().startsWith(u"无法播放："_s)) << box->ErrorText().toStdString();
    EXPECT_TRUE(Requested("MUSIC_1001"));
    EXPECT_EQ(box->Position(), 0);

    // A good page afterwards plays and clears the text.
    service_.SetMode("normal");
    Show("<embed src=\"" + SongAddress("MUSIC_1006") + "\"></embed>");
    EXPECT_TRUE(box->ErrorText().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->Position() >= 300; }, 10000))
        << box->ErrorText().toStdString();
}

}  // namespace
}  // namespace quillet
