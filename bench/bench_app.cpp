// Music client figures against the stand-in service: keyword to filled list for a reply of
// 500 records, against curl fetching the same reply; a 20 MB song saved through DownloadSong,
// against curl -o of the same address; and the peak memory of a 100 MB download against its
// budget of 40 MB (the song streams into its file); and, with the Qt runtime, the longest
// stall of the event loop while a preview opens against a picture host that answers after 5 s.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/main_window.h"
#include "app/service_settings.h"
#include "app/song_commands.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "bench/ratio_report.h"
#ifdef QUILLET_DESKTOP_FIGURES
#include "bench/desktop_figures.h"
#endif
#include "runtime/headless_runtime.h"
#ifdef QUILLET_PREVIEW_STALL
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

#include "app/preview_window.h"
#include "runtime/qt/player_box.h"
#include "runtime/qt/player_thread.h"
#include "runtime/qt/qt_runtime.h"
#endif
#include "tests/support/standin_process.h"
#include "text/code_pages.h"

extern char** environ;

namespace {

using namespace quillet;

constexpr long SongSize = 20L << 20;
constexpr long LargeSongSize = 100L << 20;
constexpr double PeakMemoryBudgetMegabytes = 40;

struct World {
    testing_support::StandinProcess service{
        {"--extra-songs", "600", "--song-bytes", std::to_string(SongSize)}};
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quillet-bench-" + std::to_string(getpid()));
    HeadlessRuntime runtime{"/nonexistent", "/nonexistent/", nullptr, column::Count};
    MusicClient client{runtime};
    SongCommands commands{
        runtime, [this] { return client.SaveDirectory(); }, SingleHost(service.HostPort()), {}};

    World() {
        std::filesystem::create_directories(folder);
        commands.SetSaveDirectoryOverride(folder.string());
        ConnectCommands(client, commands);
        runtime.Controls().SetChecked(names::StandardQuality, true);
    }
    ~World() { std::filesystem::remove_all(folder); }
    std::string Url(const std::string& target) { return "http://" + service.HostPort() + target; }
};

World& TheWorld() {
    static World world;
    return world;
}

const char* const SearchTarget =
    "/webmusic/getsjplayinfo?flag=6&pn=1&pr=500&type=music&key=%E6%AD%8C%E6%9B%B2";

void Curl(benchmark::State& state, const std::string& url) {
    const std::string command = "curl -s -o /dev/null '" + url + "'";
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
}

void OurSearch(benchmark::State& state) {
    World& world = TheWorld();
    for (auto _ : state) {
        world.runtime.Controls().SetText(names::SearchBox, "歌曲");
        world.client.SearchSongs();
        if (world.runtime.SongList().RowCount() != 500) state.SkipWithError("not 500 rows");
    }
}

void CurlSearch(benchmark::State& state) {
    const std::string url = TheWorld().Url(SearchTarget);
    for (auto _ : state) Curl(state, url);
}

// Lists the generated song "歌曲1" and resolves it once, so that each download starts from
// a row holding its address.
void PrepareDownloadRow(World& world) {
    world.runtime.Controls().SetText(names::SearchBox, "歌曲1");
    world.client.SearchSongs();
    world.runtime.SongList().SetSelectedRow(0);
    world.commands.ResolveSongAddress();
}

void OurDownload(benchmark::State& state) {
    World& world = TheWorld();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(world.folder);
        std::filesystem::create_directories(world.folder);
        PrepareDownloadRow(world);
        state.ResumeTiming();
        if (world.commands.DownloadSong().empty()) state.SkipWithError("download failed");
    }
}

void CurlDownload(benchmark::State& state) {
    World& world = TheWorld();
    const std::string url = world.Url("/resource/MUSIC_20001.mp3");
    const std::string file = (world.folder / "curl.mp3").string();
    for (auto _ : state) {
        const std::string command = "curl -s -o '" + file + "' '" + url + "'";
        if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
    }
}

BENCHMARK(OurSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(CurlSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(OurDownload)->Unit(benchmark::kMillisecond);
BENCHMARK(CurlDownload)->Unit(benchmark::kMillisecond);

// Peak memory of one 100 MB download: quillet-cli saving the song, in a process of its own,
// from a stand-in of its own.
double DownloadPeakMegabytes() {
    World& world = TheWorld();
    testing_support::StandinProcess service{{"--song-bytes", std::to_string(LargeSongSize)}};
    std::filesystem::remove_all(world.folder);
    std::filesystem::create_directories(world.folder);
    std::vector<std::string> words = {
        QUILLET_CLI_PATH, "download",        "微笑", "--dir", world.folder.string(),
        "--service",      service.HostPort()};
    for (std::string& word : words) word = GbkToUtf8(word).str();  // the front end speaks UTF-8
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int rc = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (rc != 0 || wait4(child, &status, 0, &usage) != child || status != 0) return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes
}

#ifdef QUILLET_PREVIEW_STALL
constexpr double StallGoalMs = 50;
constexpr int PictureDelayMs = 5000;

/// The longest gap, in milliseconds, between turns of the event loop while a preview opens
/// and until its picture has come from a host that holds it back for PictureDelayMs. Two
/// previews are measured: the first, which starts the player, and a second that switches the
/// song.
double PreviewStallMs(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    PreparePlayerBackend();
    QApplication app(argc, argv);
    UsePlayerEngineMaker(&MakeMediaPlayerEngine);  // what quillet loads from its module
    testing_support::StandinProcess service;
    QtRuntime runtime(column::Count);
    runtime.SetMessageBoxHandler([](const QString&, int) {});
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quillet-stall-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    runtime.SetRunDirectory(folder.string());
    MusicClient client(runtime);
    client.BindMainWindow();
    if (service.HostPort().empty() || !client.Show()) return -1;
    PreviewWindow preview(runtime, "");
    const std::string host = "http://" + service.HostPort();

    const auto longestStall = [&](const std::string& rid, const char* caption) {
        service.CloseGate();
        std::thread opener([&service] {
            std::this_thread::sleep_for(std::chrono::milliseconds(PictureDelayMs));
            service.OpenGate();
        });
        QEventLoop loop;
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
            if (now > qint64{PictureDelayMs + 1000} * 1000000 && runtime.Workers().Running() == 0) {
                loop.quit();
            }
        });
        clock.start();
        tick.start(1);
        QTimer::singleShot(0, [&] {
            preview.Show(
                {host + "/resource/" + rid + ".mp3", caption, host + "/pic/" + rid + ".jpg"});
        });
        loop.exec();
        opener.join();
        runtime.Workers().WaitUntilIdle(std::chrono::seconds(10));
        return static_cast<double>(longest) / 1e6;
    };
    const double first = longestStall("MUSIC_1001", "a - b");
    const double second = longestStall("MUSIC_1002", "c - d");
    std::filesystem::remove_all(folder);
    std::printf("longest stall: first preview %.1f ms, second preview %.1f ms\n", first, second);
    return std::max(first, second);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const int rc = quillet::bench::RunWithRatios(argc, argv,
                                                 {{"app_search", "OurSearch", "CurlSearch"},
                                                  {"app_download", "OurDownload", "CurlDownload"}});
    const double peak = DownloadPeakMegabytes();
    std::printf("peak memory of a %ld MB download: %.1f MB (budget %.0f MB)\n", LargeSongSize >> 20,
                peak, PeakMemoryBudgetMegabytes);
    std::printf("\nratio download_peak_memory %.3f\n", peak / PeakMemoryBudgetMegabytes);
#ifdef QUILLET_DESKTOP_FIGURES
    quillet::bench::PrintDesktopFigures(TheWorld().Url("/resource/MUSIC_1001.mp3"),
                                        TheWorld().folder.string());
#endif
#ifdef QUILLET_PREVIEW_STALL
    const double stall = PreviewStallMs(argc, argv);
    std::printf(
        "longest event-loop stall while previews open (picture after %d ms): %.1f ms "
        "(goal %.0f ms)\n",
        PictureDelayMs, stall, StallGoalMs);
    std::printf("\nratio preview_stall %.3f\n", stall / StallGoalMs);
#endif
    return rc;
}
