#include "app/main_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/headless_runtime.h"
#include "tests/support/temp_dir.h"
#include "text/text_primitives.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr const char* Desktop = "/home/u/Desktop/";

class MusicClientTest : public testing::Test {
  protected:
    explicit MusicClientTest(Text runDirectory = {})
        : runtime_(runDirectory.empty() ? dir_.Path().string() : runDirectory, Desktop, nullptr,
                   column::Count),
          client_(runtime_) {
        client_.BindMainWindow();
    }
    std::string IniPath() const { return dir_.File("yyst.ini"); }
    void Start() { client_.Show(); }
    Text SaveBox() { return runtime_.Controls().GetText(names::SaveFolderBox); }

    TempDir dir_;
    HeadlessRuntime runtime_;
    MusicClient client_;
};

TEST_F(MusicClientTest, FirstStartShowsDesktopAndCreatesNothing) {
    Start();
    EXPECT_EQ(SaveBox(), Desktop);
    EXPECT_EQ(client_.SaveDirectory(), Desktop);
    EXPECT_FALSE(std::filesystem::exists(IniPath()));
    EXPECT_TRUE(runtime_.Messages().empty());
}

TEST_F(MusicClientTest, ChosenFolderIsStoredAndShownAtNextStart) {
    Start();
    runtime_.QueueFolderAnswer("/media/music");
    client_.ChangeSaveDirectory();
    EXPECT_EQ(runtime_.FolderDialogTitles(), std::vector<Text>{"请选择要保存的文件夹"});
    EXPECT_EQ(SaveBox(), "/media/music");
    EXPECT_EQ(ReadFileBytes(IniPath()), "[a]\r\na=/media/music\r\n");

    HeadlessRuntime next(dir_.Path().string(), Desktop, nullptr, column::Count);
    MusicClient nextClient(next);
    nextClient.BindMainWindow();
    next.LoadWindow(MainWindowSpec);
    EXPECT_EQ(next.Controls().GetText(names::SaveFolderBox), "/media/music");
}

TEST_F(MusicClientTest, CancelStoresTheDesktop) {
    WriteFileBytes(IniPath(), "[a]\r\na=/media/music\r\n");
    Start();
    EXPECT_EQ(SaveBox(), "/media/music");
    client_.ChangeSaveDirectory();  // nothing queued: cancelled
    EXPECT_EQ(SaveBox(), Desktop);
    EXPECT_EQ(client_.SaveDirectory(), Desktop);
    EXPECT_EQ(ReadFileBytes(IniPath()), std::string("[a]\r\na=") + Desktop + "\r\n");
}

struct StoredCase {
    const char* name;
    std::string fileBytes;
    const char* shown;
};

class StoredFolderCases : public MusicClientTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(StoredFolderCases, StartsWith) {
    WriteFileBytes(IniPath(), GetParam().fileBytes);
    Start();
    EXPECT_EQ(SaveBox(), GetParam().shown);
    EXPECT_EQ(ReadFileBytes(IniPath()), GetParam().fileBytes);  // reading writes nothing
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredFolderCases,
    testing::Values(StoredCase{"EmptyValue", "[a]\r\na=\r\n", Desktop},
                    StoredCase{"LfLineEnds", "[a]\na=/m\n", "/m"},
                    StoredCase{"FolderGoneMeanwhile", "[a]\na=/no/such/folder\n",
                               "/no/such/folder"},
                    StoredCase{"OtherKeyOnly", "[a]\nb=/m\n", Desktop},
                    StoredCase{"Garbage", std::string("\x00\xff[a\n=\n\x80", 7), Desktop}),
    [](const auto& param) { return param.param.name; });

TEST_F(MusicClientTest, WriteKeepsOtherSections) {
    WriteFileBytes(IniPath(), "[service]\r\nsearch=127.0.0.1:8080\r\n[a]\r\na=/old\r\n");
    Start();
    runtime_.QueueFolderAnswer("/new");
    client_.ChangeSaveDirectory();
    EXPECT_EQ(ReadFileBytes(IniPath()), "[service]\r\nsearch=127.0.0.1:8080\r\n[a]\r\na=/new\r\n");
}

class ReadOnlyProgramFolder : public MusicClientTest {
  protected:
    // Even root cannot create files in /proc, so the INI write fails here in CI too.
    ReadOnlyProgramFolder() : MusicClientTest("/proc") {}
};

TEST_F(ReadOnlyProgramFolder, ChoiceHoldsForTheRunAndNothingIsReported) {
    Start();
    EXPECT_EQ(SaveBox(), Desktop);
    runtime_.QueueFolderAnswer("/media/music");
    client_.ChangeSaveDirectory();
    EXPECT_EQ(client_.SaveDirectory(), "/media/music");
    EXPECT_EQ(SaveBox(), "/media/music");
    EXPECT_TRUE(runtime_.Messages().empty());
}

TEST_F(MusicClientTest, SaveDirectoryReadWholeWhileReplaced) {
    Start();
    const Text a(300, 'a'), b(300, 'b');
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            Text seen = client_.SaveDirectory();
            if (seen != a && seen != b && seen != Desktop) ++torn;
        }
    });
    for (int i = 0; i < 300; ++i) {
        runtime_.QueueFolderAnswer(i % 2 ? a : b);
        client_.ChangeSaveDirectory();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

TEST_F(MusicClientTest, SearchBoxFocusEnterAndButton) {
    std::vector<Text> searched;
    client_.Hooks().searchSongs = [&](const Text& keyword) { searched.push_back(keyword); };
    Start();
    EXPECT_EQ(runtime_.Controls().GetText(names::SearchBox), "");  // never mirrored here
    runtime_.Controls().SetText(names::SearchBox, "让我们一起微笑吧");
    runtime_.Fire(names::SearchBox, ControlEvent::FocusGained);
    EXPECT_EQ(runtime_.Controls().GetText(names::SearchBox), "");

    runtime_.Fire(names::SearchBox, ControlEvent::KeyPressed, KeyEnter);
    ASSERT_EQ(runtime_.Messages().size(), 1u);
    EXPECT_EQ(runtime_.Messages()[0].text, "你要听什么歌尽管跟我说=^_^= ");
    EXPECT_EQ(runtime_.Messages()[0].flags, MessageInformation);
    EXPECT_TRUE(searched.empty());

    runtime_.Controls().SetText(names::SearchBox, "微笑乐队");
    runtime_.Fire(names::SearchBox, ControlEvent::KeyPressed, 'A');
    EXPECT_TRUE(searched.empty());
    runtime_.Fire(names::SearchBox, ControlEvent::KeyPressed, KeyEnter);
    runtime_.Fire(names::SearchButton, ControlEvent::Clicked);
    EXPECT_EQ(searched, (std::vector<Text>{"微笑乐队", "微笑乐队"}));
}

TEST_F(MusicClientTest, QualityMessageOnEveryClickOfHighQuality) {
    Start();
    EXPECT_FALSE(runtime_.Fire(names::StandardQuality, ControlEvent::Clicked));
    runtime_.Fire(names::HighQuality, ControlEvent::Clicked);
    runtime_.Fire(names::HighQuality, ControlEvent::Clicked);
    ASSERT_EQ(runtime_.Messages().size(), 2u);
    for (const auto& message : runtime_.Messages()) {
        EXPECT_EQ(message.text, "切换音质，并不需要重新搜索歌曲，直接重新召唤地址即可。");
        EXPECT_EQ(message.flags, MessageInformation);
    }
}

TEST_F(MusicClientTest, LeftClickStartsAWorkerEveryTime) {
    std::atomic<int> runs{0};
    std::thread::id gui = std::this_thread::get_id();
    std::atomic<bool> onOtherThread{true};
    client_.Hooks().resolveSongAddress = [&](const ReportList::RowRef&, std::stop_token) {
        if (std::this_thread::get_id() == gui) onOtherThread = false;
        ++runs;
    };
    runtime_.Fire(names::SongList, ControlEvent::LeftClick);
    runtime_.Fire(names::SongList, ControlEvent::LeftClick);
    ASSERT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(runs.load(), 2);
    EXPECT_TRUE(onOtherThread);
}

// No thread to be had: the clicked row shows its command's failure and nothing throws.
TEST_F(MusicClientTest, AWorkerThatCannotStartFailsItsRow) {
    bool ran = false;
    client_.Hooks().resolveSongAddress = [&](const ReportList::RowRef&, std::stop_token) {
        ran = true;
    };
    client_.Hooks().downloadSong = [&](const ReportList::RowRef&, std::stop_token) { ran = true; };
    runtime_.Workers().SetThreadStarter([](std::function<void()>) -> std::jthread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    ReportList& list = runtime_.SongList();
    list.SetCell(list.AppendRow(), column::Status, "http://h/a.mp3");
    list.SetSelectedRow(0);

    runtime_.Fire(names::SongList, ControlEvent::LeftClick);
    EXPECT_EQ(list.Cell(0, column::Status), "获取失败");

    runtime_.Fire(names::SongList, ControlEvent::RightClick);
    runtime_.LastMenu()[1].handler();  // 下载歌曲
    EXPECT_EQ(list.Cell(0, column::Status), "下载失败");
    EXPECT_FALSE(ran);
    EXPECT_EQ(runtime_.Workers().Running(), 0);
}

TEST_F(MusicClientTest, RightClickShowsTheMenuInOrder) {
    int copies = 0;
    client_.Hooks().copySongAddress = [&] { ++copies; };
    runtime_.Fire(names::SongList, ControlEvent::RightClick);
    std::vector<MenuItem> menu = runtime_.LastMenu();
    std::vector<Text> labels;
    for (const MenuItem& item : menu) labels.push_back(item.label);
    EXPECT_EQ(labels, (std::vector<Text>{"试听歌曲", "下载歌曲", "复制歌曲地址", "定位歌曲文件", "",
                                         "更改保存目录"}));
    menu[2].handler();
    EXPECT_EQ(copies, 1);
    runtime_.QueueFolderAnswer("/chosen");
    menu[5].handler();
    EXPECT_EQ(client_.SaveDirectory(), "/chosen");
    for (const MenuItem& item : menu) {
        if (item.handler) item.handler();  // unset hooks do nothing
    }
}

struct RequireCase {
    const char* name;
    std::string cell;
    bool found;
};

class RequireCellContainsCases : public MusicClientTest,
                                 public testing::WithParamInterface<RequireCase> {};

TEST_P(RequireCellContainsCases, FindsMp3OnlyWhereItStands) {
    ReportList& list = runtime_.SongList();
    list.SetCell(list.AppendRow(), column::Status, GetParam().cell);
    list.SetSelectedRow(0);
    EXPECT_EQ(RequireCellContains(runtime_, column::Status, ".mp3"), GetParam().found);
    auto messages = runtime_.Messages();
    if (GetParam().found) {
        EXPECT_TRUE(messages.empty());
    } else {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "请先获取歌曲地址");
        EXPECT_EQ(messages[0].flags, MessageInformation);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RequireCellContainsCases,
    testing::Values(RequireCase{"Listed", "   点击召唤地址", false},
                    RequireCase{"Resolving", "歌曲获取中...", false},
                    RequireCase{"ResolveFailed", "获取失败", false},
                    RequireCase{"Downloading", "歌曲下载中...", false},
                    RequireCase{"Downloaded", "下载成功", false},
                    RequireCase{"Renamed", "需定位手动修改歌名！", false},
                    RequireCase{"DownloadFailed", "下载失败", false},
                    RequireCase{"Address", "http://h/a/b/123.mp3", true},
                    RequireCase{"UpperCase", "http://h/a.MP3", false},
                    // 0x81 0x2E is one GBK character whose trail byte is "."; a match may not
                    // start on it, but one right after it counts.
                    RequireCase{"TrailByteIsNoStart", "\x81.mp3", false},
                    RequireCase{"AfterDoubleByte", "歌.mp3", true},
                    RequireCase{"Empty", "", false}),
    [](const auto& param) { return param.param.name; });

TEST_F(MusicClientTest, NoSelectedRowReadsEmpty) {
    runtime_.SongList().SetCell(runtime_.SongList().AppendRow(), column::Status, "x.mp3");
    EXPECT_FALSE(RequireCellContains(runtime_, column::Status, ".mp3"));
}

TEST(CellContains, DoubleByteStepping) {
    // "\x81\x2E\x6D\x70\x33" with the search text "\x2Emp3": the only candidate begins on
    // a trail byte.
    EXPECT_FALSE(FindText("\x81.mp3", ".mp3") > 0);
    EXPECT_TRUE(FindText("a.mp3", ".mp3") > 0);
    EXPECT_TRUE(FindText("\x81\x81.mp3", ".mp3") > 0);
    EXPECT_FALSE(FindText(".mp", ".mp3") > 0);
}

}  // namespace
}  // namespace quillet
