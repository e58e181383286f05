#include "runtime/program_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

using testing_support::TempDir;
using testing_support::WriteFileBytes;

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
  public:
    void Set(const std::string& name, std::optional<std::string> value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

class ProgramFoldersTest : public ::testing::Test {
  protected:
    ProgramFoldersTest() {
        env_.Set("HOME", home_.Path().string());
        env_.Set("XDG_CONFIG_HOME", std::nullopt);
        env_.Set("XDG_CACHE_HOME", std::nullopt);
    }
    std::string Home() { return home_.Path().string(); }

    TempDir home_;
    ScopedEnv env_;
};

TEST_F(ProgramFoldersTest, PortableKeepsEverythingBesideTheProgram) {
    const ProgramFolders folders = ChooseProgramFolders("/opt/quillet", true);
    EXPECT_EQ(folders.config, "/opt/quillet");
    EXPECT_EQ(folders.cache, "/opt/quillet");
    EXPECT_TRUE(IsPortableFolder(home_.Path().string()));
    EXPECT_FALSE(IsPortableFolder("/nonexistent/bin"));
    EXPECT_FALSE(IsPortableFolder(""));
}

TEST_F(ProgramFoldersTest, InstalledFollowsTheXdgBaseFolders) {
    const struct {
        const char* name;
        std::optional<std::string> configHome, cacheHome;
        std::string config, cache;
    } cases[] = {
        {"defaults under home", std::nullopt, std::nullopt, Home() + "/.config/quillet",
         Home() + "/.cache/quillet"},
        {"set", "/x/conf/", "/y/cache", "/x/conf/quillet", "/y/cache/quillet"},
        {"relative values are ignored", "conf", "", Home() + "/.config/quillet",
         Home() + "/.cache/quillet"},
    };
    for (const auto& c : cases) {
        env_.Set("XDG_CONFIG_HOME", c.configHome);
        env_.Set("XDG_CACHE_HOME", c.cacheHome);
        const ProgramFolders folders = ChooseProgramFolders("/usr/bin", false);
        EXPECT_EQ(folders.config, c.config) << c.name;
        EXPECT_EQ(folders.cache, c.cache) << c.name;
    }
}

TEST_F(ProgramFoldersTest, OnlyTheCacheFolderIsMadeWhenAskedFor) {
    // An unreadable program folder: the program is installed.
    EXPECT_EQ(ConfigFolder("/nonexistent/bin"), Home() + "/.config/quillet");
    EXPECT_FALSE(std::filesystem::exists(Home() + "/.config"));  // a read makes nothing
    EXPECT_EQ(CacheFolder("/nonexistent/bin"), Home() + "/.cache/quillet");
    EXPECT_TRUE(std::filesystem::is_directory(Home() + "/.cache/quillet"));
    // A writable one is portable.
    EXPECT_EQ(CacheFolder(Home()), Home());
}

TEST_F(ProgramFoldersTest, MakeFoldersCreatesEveryMissingLevel) {
    const Text deep = Home() + "/a/b/桌面/";  // GBK, as the program's paths are
    EXPECT_TRUE(MakeFolders(deep));
    EXPECT_TRUE(std::filesystem::is_directory(GbkToUtf8(deep).str()));
    EXPECT_TRUE(MakeFolders(deep));  // already there
    EXPECT_TRUE(MakeParentFolders(Home() + "/c/d/yyst.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(Home() + "/c/d"));
    EXPECT_FALSE(std::filesystem::exists(Home() + "/c/d/yyst.ini"));

    WriteFileBytes(Home() + "/file", "x");
    EXPECT_FALSE(MakeFolders(Home() + "/file"));
    EXPECT_FALSE(MakeFolders(Home() + "/file/under"));
    EXPECT_FALSE(MakeFolders(""));
}

TEST_F(ProgramFoldersTest, DesktopFolderFromTheUserDirectories) {
    const std::string dirs = Home() + "/.config/user-dirs.dirs";
    std::filesystem::create_directories(Home() + "/.config");
    const struct {
        const char* name;
        std::optional<std::string> file;
        bool standardDesktopExists;
        Text desktop;
    } cases[] = {
        {"home form", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n", false,
         Home() + "/桌面/"},
        {"absolute form", "XDG_MUSIC_DIR=\"$HOME/m\"\r\nXDG_DESKTOP_DIR=\"/srv/desk/\"\r\n", false,
         "/srv/desk/"},
        {"the last line wins", "XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", false,
         Home() + "/b/"},
        {"home itself", "XDG_DESKTOP_DIR=\"$HOME\"\n", false, Home() + "/"},
        {"unquoted is not read", "XDG_DESKTOP_DIR=$HOME/x\n", true, Home() + "/Desktop/"},
        {"other variable", "XDG_DESKTOP_DIRX=\"/x\"\n", true, Home() + "/Desktop/"},
        {"no file, Desktop exists", std::nullopt, true, Home() + "/Desktop/"},
        {"no file, no Desktop", std::nullopt, false, Home() + "/"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(dirs);
        std::filesystem::remove(Home() + "/Desktop");
        if (c.file) WriteFileBytes(dirs, GbkToUtf8(*c.file).str());  // the file is UTF-8
        if (c.standardDesktopExists) std::filesystem::create_directory(Home() + "/Desktop");
        EXPECT_EQ(UserDesktopFolder(), c.desktop) << c.name;
    }

    // The file is looked for in XDG_CONFIG_HOME when set.
    TempDir config;
    WriteFileBytes(config.File("user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Work desk\"\n");
    env_.Set("XDG_CONFIG_HOME", config.Path().string());
    EXPECT_EQ(UserDesktopFolder(), Home() + "/Work desk/");

    env_.Set("HOME", std::nullopt);
    env_.Set("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(UserDesktopFolder(), "");
}

}  // namespace
}  // namespace quillet
