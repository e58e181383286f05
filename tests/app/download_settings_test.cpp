#include "app/download_settings.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

TEST(DownloadSettings, TagsAreOffOnlyForZero) {
    const std::pair<const char*, bool> cases[] = {
        {"[download]\r\ntags=0\r\n", false},
        {"[Download]\ntags = 0 \n", false},  // case and blanks carry no meaning
        {"[download]\ntags=1\n", true},
        {"[download]\ntags=no\n", true},
        {"[download]\ntags=\n", true},
        {"[download]\ntags=00\n", true},
        {"[a]\na=/music\n", true},
        {"[service]\ntags=0\n", true},  // another section's key
    };
    testing_support::TempDir dir;
    const std::string path = dir.File("yyst.ini");
    for (const auto& [content, enabled] : cases) {
        testing_support::WriteFileBytes(path, content);
        EXPECT_EQ(SongTagsEnabled(path), enabled) << content;
    }
    EXPECT_TRUE(SongTagsEnabled(dir.File("missing.ini")));
}

}  // namespace
}  // namespace quillet
