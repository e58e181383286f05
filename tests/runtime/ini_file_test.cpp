#include "runtime/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

struct LookupCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    const char* expected;
};

class IniLookupCases : public testing::TestWithParam<LookupCase> {};

TEST_P(IniLookupCases, Reads) {
    const LookupCase& c = GetParam();
    EXPECT_EQ(IniLookup(c.content, c.section, c.key, "DEF"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniLookupCases,
    testing::Values(
        LookupCase{"CrLf", "[a]\r\na=/home/u/Music\r\n", "a", "a", "/home/u/Music"},
        LookupCase{"Lf", "[a]\na=/m\n", "a", "a", "/m"},
        LookupCase{"NoLineEndAtAll", "[a]\na=/m", "a", "a", "/m"},
        LookupCase{"LoneCr", "[a]\ra=/m\rb=2\r", "a", "a", "/m"},
        LookupCase{"BlanksAroundKeyAndValue", "  [ a ]\n  a  =  x y \t\n", "a", "a", "x y"},
        LookupCase{"CaseOfNames", "[SeC]\nKeY=v\n", "sec", "key", "v"},
        LookupCase{"QuotesStripped", "[a]\na=\"q\"\n", "a", "a", "q"},
        LookupCase{"EmptyValueIsNotDefault", "[a]\na=\n", "a", "a", ""},
        LookupCase{"KeyMissing", "[a]\nb=1\n", "a", "a", "DEF"},
        LookupCase{"SectionMissing", "[b]\na=1\n", "a", "a", "DEF"},
        LookupCase{"KeyInOtherSection", "[b]\na=1\n[a]\nc=2\n", "a", "a", "DEF"},
        LookupCase{"FirstSectionWins", "[a]\na=1\n[a]\na=2\n", "a", "a", "1"},
        LookupCase{"GbkValue", "[a]\na=/home/用户/桌面\n", "a", "a", "/home/用户/桌面"},
        // 0x81 0x41 is a GBK character whose trail byte is "A": it must not match "a".
        LookupCase{"TrailByteNotFolded", "[\x81\x41]\na=1\n", "\x81\x61", "a", "DEF"},
        LookupCase{"GbkSectionName", "[设置]\na=1\n", "设置", "a", "1"},
        LookupCase{"ZeroByteEndsValue", std::string("[a]\na=x\0y\n", 10), "a", "a", "x"},
        LookupCase{"Garbage", std::string("\xff\xfe\0\0[[[==\x80\n\r\r\n", 13), "a", "a", "DEF"},
        LookupCase{"Empty", "", "a", "a", "DEF"}),
    [](const auto& param) { return param.param.name; });

struct UpdateCase {
    const char* name;
    const char* content;
    const char* expected;
};

class IniUpdateCases : public testing::TestWithParam<UpdateCase> {};

TEST_P(IniUpdateCases, KeepsEveryOtherLine) {
    const UpdateCase& c = GetParam();
    EXPECT_EQ(IniUpdate(c.content, "a", "a", "/new"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniUpdateCases,
    testing::Values(UpdateCase{"NewFile", "", "[a]\r\na=/new\r\n"},
                    UpdateCase{"ReplacedInPlace",
                               "; top\r\n[a]\r\n a = /old \r\nb=2\r\n[z]\r\nk=v\r\n",
                               "; top\r\n[a]\r\na=/new\r\nb=2\r\n[z]\r\nk=v\r\n"},
                    UpdateCase{"LfFileKeepsLf", "[z]\nk=v\n", "[z]\nk=v\n[a]\na=/new\n"},
                    UpdateCase{"AddedAfterSectionsLastKey", "[a]\r\nb=2\r\n\r\n[z]\r\nk=v\r\n",
                               "[a]\r\nb=2\r\na=/new\r\n\r\n[z]\r\nk=v\r\n"},
                    UpdateCase{"SectionWithoutLineEnd", "[a]", "[a]\r\na=/new\r\n"},
                    UpdateCase{"FileWithoutFinalLineEnd", "[z]\nk=v", "[z]\nk=v\n[a]\na=/new\n"},
                    // A lone CR already ends the last line: the new section stands on its own.
                    UpdateCase{"LastLineEndsInLoneCr", "[z]\rk=v\r", "[z]\rk=v\r[a]\r\na=/new\r\n"},
                    UpdateCase{"KeyAfterLoneCrReplaced", "[a]\ra=/old\rb=2", "[a]\ra=/new\rb=2"},
                    UpdateCase{"OtherSectionsSurvive",
                               "[service]\r\nsearch=h:1\r\n[a]\r\na=/old\r\n",
                               "[service]\r\nsearch=h:1\r\n[a]\r\na=/new\r\n"}),
    [](const auto& param) { return param.param.name; });

TEST(IniFile, MissingFileYieldsDefaultAndCreatesNothing) {
    TempDir dir;
    std::string path = dir.File("yyst.ini");
    EXPECT_EQ(ReadIniValue(path, "a", "a", "/desk/"), "/desk/");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFile, WriteThenReadBack) {
    TempDir dir;
    std::string path = dir.File("yyst.ini");
    ASSERT_TRUE(WriteIniValue(path, "a", "a", "/home/u/音乐"));
    EXPECT_EQ(ReadFileBytes(path), "[a]\r\na=/home/u/音乐\r\n");
    EXPECT_EQ(ReadIniValue(path, "a", "a", ""), "/home/u/音乐");
    ASSERT_TRUE(WriteIniValue(path, "a", "a", "/x"));
    EXPECT_EQ(ReadFileBytes(path), "[a]\r\na=/x\r\n");
    // No temporary file stays beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniFile, KeyWrittenAfterLoneCrReadsBack) {
    TempDir dir;
    std::string path = dir.File("yyst.ini");
    WriteFileBytes(path, "[z]\rk=v\r");
    ASSERT_TRUE(WriteIniValue(path, "a", "a", "/m"));
    EXPECT_EQ(ReadIniValue(path, "a", "a", "D"), "/m");
    EXPECT_EQ(ReadIniValue(path, "z", "k", "D"), "v");
}

// A line break in a value would cut it and could add a section of its own ("[service]").
TEST(IniFile, LineBreakInValueFailsAndKeepsTheFile) {
    TempDir dir;
    std::string path = dir.File("yyst.ini");
    ASSERT_TRUE(WriteIniValue(path, "a", "a", "/old"));
    const std::string before = ReadFileBytes(path);
    for (const char* value : {"/m\n[service]\nsearch=evil:1", "/m\r[service]", "a\r\nb"}) {
        EXPECT_FALSE(WriteIniValue(path, "a", "a", value)) << value;
        EXPECT_FALSE(WriteIniValue(path, "a\n", "a", "/x"));
        EXPECT_EQ(ReadFileBytes(path), before);
    }
    EXPECT_EQ(ReadIniValue(path, "service", "search", "none"), "none");
}

TEST(IniFile, UnwritableFolderFailsAndCreatesNothing) {
    // Even root cannot create files in /proc, so this holds in CI too.
    EXPECT_FALSE(WriteIniValue("/proc/yyst.ini", "a", "a", "/x"));
    EXPECT_FALSE(WriteIniValue("", "a", "a", "/x"));
    EXPECT_FALSE(WriteIniValue("/nonexistent-folder-q/yyst.ini", "a", "a", "/x"));
}

TEST(IniFile, MegabyteOfGarbageIsReadAndKept) {
    TempDir dir;
    std::string path = dir.File("yyst.ini");
    std::string garbage;
    for (unsigned i = 0; i < 1024 * 1024; ++i)
        garbage.push_back(static_cast<char>(i * 7919u % 251));
    WriteFileBytes(path, garbage);
    EXPECT_EQ(ReadIniValue(path, "a", "a", "D"), IniLookup(garbage, "a", "a", "D"));
    ASSERT_TRUE(WriteIniValue(path, "a", "a", "/x"));
    std::string after = ReadFileBytes(path);
    EXPECT_EQ(after.substr(0, garbage.size()), garbage);
    EXPECT_EQ(ReadIniValue(path, "a", "a", "D"), "/x");
}

TEST(IniFile, OversizedFileIsNeitherReadNorReplaced) {
    TempDir dir;
    std::string path = dir.File("yyst.ini");
    std::string big = "[a]\na=/kept\n" + std::string(MaxIniFileBytes, 'x');
    WriteFileBytes(path, big);
    EXPECT_EQ(ReadIniValue(path, "a", "a", "D"), "D");
    EXPECT_FALSE(WriteIniValue(path, "a", "a", "/x"));
    EXPECT_EQ(std::filesystem::file_size(path), big.size());
}

}  // namespace
}  // namespace quillet
