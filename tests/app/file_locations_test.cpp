// Where an installed copy (a program folder it cannot write) keeps its files, through the
// same commands the windows run.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/service_settings.h"
#include "app/song_commands.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/headless_runtime.h"
#include "tests/support/standin_process.h"
#include "tests/support/temp_dir.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::StandinProcess;
using testing_support::TempDir;

constexpr const char* InstalledFolder = "/nonexistent/quillet/bin";  // cannot be written

class EnvVar {
  public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class FileLocationsTest : public ::testing::Test {
  protected:
    FileLocationsTest()
        : configHome_("XDG_CONFIG_HOME", xdg_.File("config")),
          cacheHome_("XDG_CACHE_HOME", xdg_.File("cache")) {}

    std::string SettingsFile() { return xdg_.File("config") + "/quillet/yyst.ini"; }

    TempDir xdg_, songs_;
    EnvVar configHome_, cacheHome_;
};

TEST_F(FileLocationsTest, ChosenFolderSurvivesARestartInTheConfigFolder) {
    const Text chosen = songs_.Path().string() + "/歌";
    {
        HeadlessRuntime runtime(InstalledFolder, "/home/u/Desktop/", nullptr, column::Count);
        MusicClient client(runtime);
        client.LoadSaveDirectory();
        EXPECT_EQ(client.SaveDirectory(), "/home/u/Desktop/");
        EXPECT_FALSE(std::filesystem::exists(xdg_.File("config")));  // reading made nothing
        runtime.QueueFolderAnswer(chosen);
        client.ChangeSaveDirectory();
    }
    EXPECT_EQ(ReadFileBytes(SettingsFile()), "[a]\r\na=" + chosen + "\r\n");

    HeadlessRuntime restarted(InstalledFolder, "/home/u/Desktop/", nullptr, column::Count);
    MusicClient client(restarted);
    client.LoadSaveDirectory();
    EXPECT_EQ(client.SaveDirectory(), chosen);
}

TEST_F(FileLocationsTest, PreviewPageGoesToTheCacheAndDownloadsMakeTheirFolder) {
    StandinProcess service;
    ASSERT_FALSE(service.HostPort().empty());
    HeadlessRuntime runtime(InstalledFolder, "/nonexistent-desktop/", nullptr, column::Count);
    MusicClient client(runtime);
    SongCommands commands(runtime, [&client] { return client.SaveDirectory(); },
                          SingleHost(service.HostPort()), {});
    ConnectCommands(client, commands);
    const Text missing = songs_.Path().string() + "/新/桌面";  // GBK
    runtime.QueueFolderAnswer(missing);
    client.ChangeSaveDirectory();
    runtime.Controls().SetChecked(names::StandardQuality, true);
    runtime.Controls().SetText(names::SearchBox, "微笑");
    client.SearchSongs();
    ASSERT_GT(runtime.SongList().RowCount(), 0);
    runtime.SongList().SetSelectedRow(0);
    commands.ResolveSongAddress();

    commands.OpenPreview();
    const std::string page = xdg_.File("cache") + "/quillet/M4A.Htm";
    EXPECT_NE(ReadFileBytes(page).find("/resource/MUSIC_1001.mp3"), std::string::npos);
    EXPECT_EQ(runtime.BrowserAddress(names::BrowserBox), page);

    const Text saved = commands.DownloadSong();
    EXPECT_EQ(runtime.SongList().Cell(0, column::Status), status::Downloaded);
    EXPECT_EQ(saved.rfind(missing + "/", 0), 0u) << GbkToUtf8(saved);
    EXPECT_TRUE(std::filesystem::is_regular_file(GbkToUtf8(saved).str()));
}

}  // namespace
}  // namespace quillet
