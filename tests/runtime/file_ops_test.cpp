#include "runtime/file_ops.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

TEST(FileOps, RunDirectoryIsTheTestProgramsFolder) {
    Text dir = RunDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_TRUE(PathExists(dir + "/runtime_tests"));
}

TEST(FileOps, WriteCreatesEmptiesAndRefusesBadNames) {
    TempDir dir;
    std::string path = dir.File("歌.mp3");
    ASSERT_TRUE(WriteWholeFile(path, std::string("long old content\0x", 18)));
    ASSERT_TRUE(WriteWholeFile(path, std::string("a\0b", 3)));
    EXPECT_EQ(ReadFileBytes(GbkToUtf8(path).str()), std::string("a\0b", 3));  // UTF-8 on disk
    EXPECT_TRUE(WriteWholeFile(path, ""));
    EXPECT_EQ(std::filesystem::file_size(GbkToUtf8(path).str()), 0u);
    EXPECT_FALSE(WriteWholeFile("", "x"));
    EXPECT_FALSE(WriteWholeFile(dir.File("missing/x"), "x"));
    EXPECT_FALSE(WriteWholeFile(dir.Path().string(), "x"));  // a folder

    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(PathExists(path));
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_FALSE(RemoveFile(dir.Path().string()));  // a folder is not a file
}

TEST(FileOps, ExistsSeesAnythingOfThatName) {
    TempDir dir;
    EXPECT_FALSE(PathExists(dir.File("none")));
    EXPECT_FALSE(PathExists(""));
    EXPECT_TRUE(PathExists(dir.Path().string()));
    std::filesystem::create_symlink(dir.File("nowhere"), dir.File("dangling"));
    EXPECT_TRUE(PathExists(dir.File("dangling")));
}

class RenameNoReplaceTest : public testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        saved_ = CurrentRenameCalls();
        if (GetParam()) {
            // A file system without RENAME_NOREPLACE: the link fallback must hold the line.
            CurrentRenameCalls().renameNoReplace = [](const char*, const char*) {
                errno = EINVAL;
                return -1;
            };
        }
    }
    void TearDown() override { CurrentRenameCalls() = saved_; }
    RenameCalls saved_{};
};

TEST_P(RenameNoReplaceTest, NeverReplacesAnExistingFile) {
    TempDir dir;
    std::string from = dir.File("123.mp3");
    std::string to = dir.File("歌手 - 歌.mp3");  // GBK; the file system sees UTF-8
    std::string fsTo = GbkToUtf8(to).str();
    WriteFileBytes(from, "new");
    WriteFileBytes(fsTo, "old");
    EXPECT_FALSE(RenameNoReplace(from, to));
    EXPECT_EQ(ReadFileBytes(fsTo), "old");
    EXPECT_EQ(ReadFileBytes(from), "new");

    std::filesystem::remove(fsTo);
    EXPECT_TRUE(RenameNoReplace(from, to));
    EXPECT_EQ(ReadFileBytes(fsTo), "new");
    EXPECT_FALSE(std::filesystem::exists(from));
    EXPECT_FALSE(RenameNoReplace(from, dir.File("again")));  // source gone
}

INSTANTIATE_TEST_SUITE_P(Calls, RenameNoReplaceTest, testing::Values(false, true),
                         [](const auto& param) {
                             return param.param ? "LinkFallback" : "Renameat2";
                         });

TEST(FileOps, FailedUnlinkInFallbackLeavesSourceOnly) {
    RenameCalls saved = CurrentRenameCalls();
    CurrentRenameCalls().renameNoReplace = [](const char*, const char*) {
        errno = ENOSYS;
        return -1;
    };
    static int unlinkCalls;
    unlinkCalls = 0;
    CurrentRenameCalls().unlink = [](const char* path) {
        // The first unlink (of the source) fails; the clean-up of the new name goes through.
        if (unlinkCalls++ == 0) {
            errno = EIO;
            return -1;
        }
        return ::unlink(path);
    };
    TempDir dir;
    WriteFileBytes(dir.File("a"), "x");
    EXPECT_FALSE(RenameNoReplace(dir.File("a"), dir.File("b")));
    CurrentRenameCalls() = saved;
    EXPECT_TRUE(std::filesystem::exists(dir.File("a")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("b")));
}

}  // namespace
}  // namespace quillet
