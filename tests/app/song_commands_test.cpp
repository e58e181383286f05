#include "app/song_commands.h"

#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>
#include <tuple>

#include "app/main_window.h"
#include "app/placeholder_picture.h"
#include "app/service_settings.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/headless_runtime.h"
#include "tests/support/standin_process.h"
#include "tests/support/temp_dir.h"
#include "tests/web/scripted_http_server.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::StandinProcess;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

constexpr std::int64_t SongBytes = 3670016;  // "3.5MB"; the high-quality file is twice that

// The commands over the headless runtime, against a stand-in service of their own.
class SongCommandsTest : public ::testing::Test {
  protected:
    SongCommandsTest()
        : service_({"--song-bytes", std::to_string(SongBytes)}),
          runtime_(runDir_.Path().string(), "/nonexistent-desktop/", nullptr, column::Count),
          client_(runtime_),
          commands_(
              runtime_, [this] { return client_.SaveDirectory(); }, SingleHost(service_.HostPort()),
              [this](const Text& path) {
                  revealed_.push_back(path);
                  return true;
              }) {
        WriteFileBytes(runDir_.File("yyst.ini"), "[a]\r\na=" + saveDir_.Path().string() + "\r\n");
        client_.LoadSaveDirectory();
        ConnectCommands(client_, commands_);
        runtime_.Controls().SetChecked(names::StandardQuality, true);
    }

    void Search(const Text& keyword) {
        runtime_.Controls().SetText(names::SearchBox, keyword);
        client_.SearchSongs();
    }
    void SearchAndResolve(const Text& keyword, int row = 0) {
        Search(keyword);
        List().SetSelectedRow(row);
        commands_.ResolveSongAddress();
    }
    ReportList& List() { return runtime_.SongList(); }
    Text Cell(int row, int column) { return List().Cell(row, column); }
    std::vector<Text> MessageTexts() {
        std::vector<Text> texts;
        for (const auto& message : runtime_.Messages()) texts.push_back(message.text);
        return texts;
    }
    std::string Host() { return service_.HostPort(); }
    std::vector<std::string> SavedFiles() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(saveDir_.Path())) {
            names.push_back(Utf8ToGbk(Utf8Bytes(entry.path().filename().string())));
        }
        return names;
    }

    StandinProcess service_;
    TempDir runDir_, saveDir_;
    HeadlessRuntime runtime_;
    MusicClient client_;
    SongCommands commands_;
    std::vector<Text> revealed_;
};

TEST_F(SongCommandsTest, SearchListsCleanedRows) {
    ASSERT_FALSE(Host().empty());
    Search("微笑");
    ASSERT_EQ(List().RowCount(), 2);
    const std::vector<Text> first = {"1",        "让我们一起微笑吧", "微笑乐队",
                                     "微笑专辑", "MUSIC_1001",       "   点击召唤地址"};
    for (int column = 0; column < 6; ++column) EXPECT_EQ(Cell(0, column), first[column]);
    EXPECT_EQ(Cell(1, column::Number), "2");

    Search("甲");
    ASSERT_EQ(List().RowCount(), 1);
    EXPECT_EQ(Cell(0, column::SongName), "A B  C ");
    EXPECT_EQ(Cell(0, column::Artist), "甲、乙");
    EXPECT_EQ(Cell(0, column::Album), "a/b ");
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(SongCommandsTest, SearchWithoutHitsEmptiesTheList) {
    Search("微笑");
    service_.SetMode("nomatch");
    Search("微笑");
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(MessageTexts(), std::vector<Text>{Text(NoSongsMessage)});
}

TEST_F(SongCommandsTest, ResolvesBothQualities) {
    SearchAndResolve("微笑");
    EXPECT_EQ(Cell(0, column::Status), "http://" + Host() + "/resource/MUSIC_1001.mp3");
    EXPECT_EQ(Cell(0, column::ArtistPicture), "http://" + Host() + "/pic/MUSIC_1001.jpg");
    EXPECT_EQ(Cell(0, column::Size), "3.5MB");

    runtime_.Controls().SetChecked(names::StandardQuality, false);
    commands_.ResolveSongAddress();
    EXPECT_EQ(Cell(0, column::Status), "http://" + Host() + "/resource/hq/MUSIC_1001.mp3");
    EXPECT_EQ(Cell(0, column::Size), "7MB");
}

TEST_F(SongCommandsTest, UnusableRepliesFailTheResolution) {
    struct Case {
        const char* mode;
        bool standard;
    };
    for (const Case c : {Case{"nomp3", true}, Case{"nomarker", true}, Case{"emptyconvert", false},
                         Case{"drop", true}}) {
        service_.SetMode("normal");
        Search("夏日");
        service_.SetMode(c.mode);
        runtime_.Controls().SetChecked(names::StandardQuality, c.standard);
        List().SetSelectedRow(0);
        commands_.ResolveSongAddress();
        EXPECT_EQ(Cell(0, column::Status), status::ResolveFailed) << c.mode;
        EXPECT_EQ(Cell(0, column::Size), "") << c.mode;
    }
}

TEST_F(SongCommandsTest, DownloadSavesTheServedBytesOnce) {
    SearchAndResolve("微笑");
    const Text address = Cell(0, column::Status);
    const Text saved = commands_.DownloadSong();
    EXPECT_EQ(Cell(0, column::Status), status::Downloaded);
    EXPECT_EQ(saved, saveDir_.File("微笑乐队 - 让我们一起微笑吧.mp3"));
    EXPECT_EQ(testing_support::SizeAndHash(ReadFileBytes(GbkToUtf8(saved).str())),
              testing_support::SizeAndHash(service_.Get("/resource/MUSIC_1001.mp3")));
    EXPECT_EQ(SavedFiles(), std::vector<std::string>{"微笑乐队 - 让我们一起微笑吧.mp3"});

    // Resolved again, the same song is not fetched twice.
    commands_.ResolveSongAddress();
    EXPECT_TRUE(commands_.DownloadSong().empty());
    EXPECT_EQ(MessageTexts(), std::vector<Text>{Text(AlreadyDownloadedMessage)});
    EXPECT_EQ(Cell(0, column::Status), address);
}

TEST_F(SongCommandsTest, FailedDownloadsLeaveNoFile) {
    for (const char* mode : {"song404", "drop"}) {
        SearchAndResolve("微笑");
        service_.SetMode(mode);
        EXPECT_TRUE(commands_.DownloadSong().empty());
        EXPECT_EQ(Cell(0, column::Status), status::DownloadFailed) << mode;
        EXPECT_TRUE(SavedFiles().empty()) << mode;
        service_.SetMode("normal");
    }
    // A row that was never resolved asks for its address first.
    Search("夏日");
    List().SetSelectedRow(0);
    commands_.DownloadSong();
    EXPECT_EQ(MessageTexts().back(), NeedAddressMessage);
    EXPECT_EQ(Cell(0, column::Status), StatusListed);
}

TEST_F(SongCommandsTest, FailedRenameKeepsTheTemporaryFileForLocate) {
    SearchAndResolve("微笑");
    const RenameCalls saved = CurrentRenameCalls();
    CurrentRenameCalls().renameNoReplace = [](const char*, const char*) { return -1; };
    CurrentRenameCalls().link = [](const char*, const char*) { return -1; };
    const Text kept = commands_.DownloadSong();
    CurrentRenameCalls() = saved;

    EXPECT_EQ(Cell(0, column::Status), status::RenameFailed);
    EXPECT_EQ(kept, saveDir_.File("MUSIC_1001.mp3"));
    EXPECT_EQ(SavedFiles(), std::vector<std::string>{"MUSIC_1001.mp3"});
    commands_.LocateSongFile();
    EXPECT_EQ(revealed_, std::vector<Text>{kept});
}

// The program is ending: a download asked to stop before its transfer fetches nothing.
TEST_F(SongCommandsTest, AStoppedDownloadFailsAndLeavesNoFile) {
    SearchAndResolve("微笑");
    // The size query's entry can reach the log just after its reply: read it once it has.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string log = service_.RequestLog();
    while (log.find("GET /resource/") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        log = service_.RequestLog();
    }
    const std::size_t served = log.size();
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(commands_.DownloadSong(List().SelectedRowRef(), stop.get_token()), "");
    EXPECT_EQ(Cell(0, column::Status), status::DownloadFailed);
    EXPECT_TRUE(SavedFiles().empty());
    EXPECT_EQ(service_.RequestLog().size(), served);  // not one more request
}

TEST_F(SongCommandsTest, CopyAndLocate) {
    SearchAndResolve("微笑");
    commands_.CopySongAddress();
    EXPECT_EQ(runtime_.ClipboardText(), Cell(0, column::Status));

    commands_.LocateSongFile();  // not downloaded yet
    EXPECT_TRUE(revealed_.empty());
    EXPECT_EQ(MessageTexts(), std::vector<Text>{Text(LocateFailedMessage)});

    const Text saved = commands_.DownloadSong();
    commands_.LocateSongFile();
    EXPECT_EQ(revealed_, std::vector<Text>{saved});
    commands_.CopySongAddress();  // cell 5 now holds the download's status
    EXPECT_EQ(MessageTexts().back(), NeedAddressMessage);
}

TEST_F(SongCommandsTest, PreviewWritesThePageAndShowsThePicture) {
    SearchAndResolve("微笑");
    commands_.OpenPreview();
    const std::string page = runDir_.File("M4A.Htm");
    EXPECT_EQ(ReadFileBytes(page), "<embed src=\"http://" + Host() +
                                       "/resource/MUSIC_1001.mp3\" width=\"340\" height=\"86\"  "
                                       "allowNetworking=\"all\"></embed>");
    EXPECT_EQ(runtime_.BrowserAddress(names::BrowserBox), page);
    EXPECT_EQ(runtime_.Caption(names::PreviewWindow), "微笑乐队 - 让我们一起微笑吧");
    ASSERT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));  // the picture's
    EXPECT_EQ(runtime_.Picture(names::PictureBox), service_.Get("/pic/MUSIC_1001.jpg"));

    SearchAndResolve("无图");
    commands_.OpenPreview();
    EXPECT_EQ(runtime_.Picture(names::PictureBox), PlaceholderPicture());
    EXPECT_EQ(runtime_.Caption(names::PreviewWindow), "无名氏 - 无图之歌");
}

TEST_F(SongCommandsTest, DroppedDownloadResumesToTheServedBytes) {
    SearchAndResolve("微笑");
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    commands_.SetDownloadProgress(
        [&](std::int64_t bytes, std::int64_t total) { progress.emplace_back(bytes, total); });
    service_.Get("/__song?drop_after=1000000&rate=0");
    const Text saved = commands_.DownloadSong();
    EXPECT_EQ(Cell(0, column::Status), status::Downloaded);
    EXPECT_TRUE(ReadFileBytes(GbkToUtf8(saved).str()) == service_.Get("/resource/MUSIC_1001.mp3"));
    EXPECT_EQ(SavedFiles(), std::vector<std::string>{"微笑乐队 - 让我们一起微笑吧.mp3"});
    const std::string log = service_.RequestLog();
    const std::string get = "GET /resource/MUSIC_1001.mp3\n";
    EXPECT_NE(log.find(get + get), std::string::npos) << log;  // the drop, then the rest

    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 1; i < progress.size(); ++i) {
        EXPECT_GE(progress[i].first, progress[i - 1].first);
        EXPECT_EQ(progress[i].second, SongBytes);
    }
    EXPECT_EQ(progress.back().first, SongBytes);  // 100%
}

TEST_F(SongCommandsTest, EveryRequestGoesThroughTheProxy) {
    // The proxy answers each connection with what the service would: search, song info, the
    // size query, the picture and the song, in the order the commands ask.
    const std::string song = service_.Get("/resource/MUSIC_1001.mp3");
    auto ok = [](const std::string& body) { return test::HttpReply("HTTP/1.1 200 OK", "", body); };
    test::ScriptedHttpServer proxy(std::vector<test::ScriptedReply>{
        {.bytes = ok(service_.Get("/webmusic/getsjplayinfo?key=%E5%BE%AE%E7%AC%91"))},
        {.bytes = ok(service_.Get("/webmusic/st/getNewMuiseByRid?rid=MUSIC_1001"))},
        {.bytes = ok(song)},
        {.bytes = ok(service_.Get("/pic/MUSIC_1001.jpg"))},
        {.bytes = ok(song)},
        {.bytes = ok(service_.Get("/pic/MUSIC_1001.jpg"))}});  // the cover for the tag
    ServiceHosts hosts = SingleHost(service_.HostPort());
    hosts.proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    SongCommands commands(runtime_, [this] { return client_.SaveDirectory(); }, hosts, {});
    ConnectCommands(client_, commands);

    Search("微笑");
    List().SetSelectedRow(0);
    commands.ResolveSongAddress();
    EXPECT_EQ(Cell(0, column::Size), "3.5MB");
    commands.OpenPreview();
    ASSERT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));  // the picture's
    EXPECT_TRUE(runtime_.Picture(names::PictureBox) == service_.Get("/pic/MUSIC_1001.jpg"));
    EXPECT_FALSE(commands.DownloadSong().empty());

    const std::vector<std::string> requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 6u);
    const std::string target = "http://" + Host() + "/";
    for (const std::string& request : requests) {
        EXPECT_EQ(request.substr(request.find(' ') + 1, target.size()), target) << request;
    }
    // The service itself heard none of them.
    EXPECT_EQ(service_.RequestLog().find("GET /webmusic/getsjplayinfo?flag"), std::string::npos);
}

// A search that refills the list while a resolution runs: the old worker's writes land nowhere.
TEST_F(SongCommandsTest, StaleWorkerWritesFallOnNoRow) {
    Search("微笑");
    List().SetSelectedRow(1);
    const Text refill = Utf8ToGbk(Utf8Bytes(service_.Get(
        "/webmusic/getsjplayinfo?flag=6&pn=1&pr=500&type=music&key=%E5%BE%AE%E7%AC%91")));
    service_.CloseGate();
    std::thread worker([this] { commands_.ResolveSongAddress(); });
    EXPECT_TRUE(service_.WaitUntilHeld(1));  // the worker's first request is under way
    commands_.FillSongList(refill);
    service_.OpenGate();
    worker.join();
    ASSERT_EQ(List().RowCount(), 2);
    EXPECT_EQ(Cell(1, column::Status), StatusListed);
    EXPECT_EQ(Cell(1, column::Size), "");
}

// The length of the ID3v2 tag a file starts with (header and syncsafe size), 0 without one.
std::size_t Id3v2Length(const std::string& file) {
    if (file.size() < 10 || file.compare(0, 3, "ID3") != 0) return 0;
    std::size_t size = 0;
    for (std::size_t i = 6; i < 10; ++i)
        size = size << 7 | (static_cast<unsigned char>(file[i]) & 0x7Fu);
    return size + 10;
}

TEST_F(SongCommandsTest, DownloadShowsItsProgressInTheList) {
    SearchAndResolve("微笑");
    service_.Get("/__song?rate=" + std::to_string(SongBytes * 2));  // about half a second
    std::atomic<bool> done = false;
    std::thread worker([&] {
        commands_.DownloadSong();
        done = true;
    });
    std::vector<ReportList::Progress> seen;
    bool statusKept = true;
    while (!done) {
        const std::optional<ReportList::Progress> now = List().RowProgress(0);
        if (now && (seen.empty() || !(seen.back() == *now))) {
            seen.push_back(*now);
            statusKept = statusKept && Cell(0, column::Status) == status::Downloading;
        }
        std::this_thread::yield();
    }
    worker.join();
    service_.Get("/__song?rate=0");
    EXPECT_EQ(Cell(0, column::Status), status::Downloaded);
    EXPECT_FALSE(List().RowProgress(0));  // gone once the download has ended
    EXPECT_TRUE(statusKept);

    // Rising bytes of the announced total, several steps of it on the way.
    std::vector<ReportList::Progress> known;
    for (const ReportList::Progress& p : seen) {
        if (p.total != -1) known.push_back(p);
    }
    ASSERT_GE(known.size(), 2u);
    for (std::size_t i = 0; i < known.size(); ++i) {
        EXPECT_EQ(known[i].total, SongBytes);
        EXPECT_LE(known[i].bytes, SongBytes);
        if (i > 0) {
            EXPECT_GT(known[i].bytes, known[i - 1].bytes);
        }
    }
    EXPECT_GT(known.back().bytes, known.front().bytes);
}

TEST_F(SongCommandsTest, FinishedSongsGetTagsAndCover) {
    service_.Get("/__song?untagged=1");
    const std::string served =
        service_.Get("/resource/MUSIC_1001.mp3");  // the song's bytes without a tag
    ASSERT_EQ(Id3v2Length(served), 0u);
    // A picture that is no image leaves the cover out and nothing else.
    for (const bool goodPicture : {true, false}) {
        SCOPED_TRACE(goodPicture ? "picture" : "no picture");
        for (const std::string& name : SavedFiles()) {
            std::filesystem::remove(saveDir_.Path() / GbkToUtf8(name).str());
        }
        SearchAndResolve("微笑");
        if (!goodPicture) service_.SetMode("badpicture");
        const Text saved = commands_.DownloadSong();
        service_.SetMode("normal");
        EXPECT_EQ(Cell(0, column::Status), status::Downloaded);
        ASSERT_FALSE(saved.empty());

        const std::string file = ReadFileBytes(GbkToUtf8(saved).str());
        const std::size_t tagLength = Id3v2Length(file);
        ASSERT_GT(tagLength, 0u);
        EXPECT_TRUE(file.substr(tagLength) == served);  // the audio as served, after the tag

        TagLib::MPEG::File song(GbkToUtf8(saved).str().c_str());
        ASSERT_TRUE(song.isValid());
        TagLib::ID3v2::Tag* tag = song.ID3v2Tag();
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->header()->majorVersion(), 4u);
        EXPECT_EQ(tag->title().to8Bit(true), GbkToUtf8(Cell(0, column::SongName)).str());
        EXPECT_EQ(tag->artist().to8Bit(true), GbkToUtf8(Cell(0, column::Artist)).str());
        EXPECT_EQ(tag->album().to8Bit(true), GbkToUtf8(Cell(0, column::Album)).str());
        const TagLib::ID3v2::FrameList& pictures = tag->frameListMap()["APIC"];
        if (goodPicture) {
            ASSERT_EQ(pictures.size(), 1u);
            auto* cover = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
            ASSERT_NE(cover, nullptr);
            const TagLib::ByteVector data = cover->picture();
            EXPECT_TRUE(std::string(data.data(), data.size()) ==
                        service_.Get("/pic/MUSIC_1001.jpg"));
        } else {
            EXPECT_TRUE(pictures.isEmpty());
        }
    }
}

TEST_F(SongCommandsTest, TagsOffLeaveTheServedBytes) {
    service_.Get("/__song?untagged=1");
    const std::string served = service_.Get("/resource/MUSIC_1001.mp3");
    // Off in the settings file, or for this run whatever the settings file says.
    for (const bool bySettings : {true, false}) {
        SCOPED_TRACE(bySettings ? "settings" : "run");
        for (const std::string& name : SavedFiles()) {
            std::filesystem::remove(saveDir_.Path() / GbkToUtf8(name).str());
        }
        SongCommands commands(runtime_, [this] { return client_.SaveDirectory(); },
                              SingleHost(service_.HostPort()), {});
        ConnectCommands(client_, commands);
        if (bySettings) {
            WriteFileBytes(runDir_.File("yyst.ini"),
                           "[a]\r\na=" + saveDir_.Path().string() + "\r\n[download]\r\ntags=0\r\n");
        } else {
            commands.SetSongTags(false);
        }
        Search("微笑");
        List().SetSelectedRow(0);
        commands.ResolveSongAddress();
        const Text saved = commands.DownloadSong();
        EXPECT_EQ(Cell(0, column::Status), status::Downloaded);
        EXPECT_TRUE(ReadFileBytes(GbkToUtf8(saved).str()) == served);
        WriteFileBytes(runDir_.File("yyst.ini"),
                       "[a]\r\na=" + saveDir_.Path().string() + "\r\n[download]\r\ntags=1\r\n");
    }
}

TEST_F(SongCommandsTest, RowsOfDownloadedSongsCarryTheMark) {
    Search("微笑");
    ASSERT_GE(List().RowCount(), 2);
    for (int row = 0; row < List().RowCount(); ++row) EXPECT_FALSE(List().Marked(row)) << row;
    const Text name = Cell(0, column::SongName);
    List().SetSelectedRow(0);
    commands_.ResolveSongAddress();
    commands_.DownloadSong();
    EXPECT_TRUE(List().Marked(0));
    EXPECT_FALSE(List().Marked(1));
    EXPECT_EQ(Cell(0, column::SongName), name);  // the mark is no text

    // A new search marks what is in the folder already, whatever it was before.
    Search("微笑");
    EXPECT_TRUE(List().Marked(0));
    EXPECT_FALSE(List().Marked(1));
    ASSERT_TRUE(std::filesystem::remove(saveDir_.Path() /
                                        GbkToUtf8("微笑乐队 - 让我们一起微笑吧.mp3").str()));
    Search("微笑");
    EXPECT_FALSE(List().Marked(0));
}

TEST_F(SongCommandsTest, EndedDownloadsAreAnnounced) {
    std::vector<std::tuple<Text, Text, Text>> announced;
    commands_.SetDownloadAnnouncer([&](const Text& summary, const Text& outcome, const Text& path) {
        announced.emplace_back(summary, outcome, path);
    });
    SearchAndResolve("微笑");
    service_.SetMode("song404");
    commands_.DownloadSong();
    service_.SetMode("normal");
    commands_.ResolveSongAddress();
    const Text saved = commands_.DownloadSong();
    commands_.ResolveSongAddress();
    commands_.DownloadSong();  // already downloaded: no download, nothing to announce
    const Text summary = "微笑乐队 - 让我们一起微笑吧";
    EXPECT_EQ(announced, (std::vector<std::tuple<Text, Text, Text>>{
                             {summary, Text(status::DownloadFailed), ""},
                             {summary, Text(status::Downloaded), saved}}));
}

}  // namespace
}  // namespace quillet
