// quillet-cli's parts: the command line, row lists, JSON text, the progress line and the
// runner that reports rows in order.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/cli/json.h"
#include "app/cli/options.h"
#include "app/cli/progress_line.h"
#include "app/cli/row_runner.h"

namespace quillet::cli {
namespace {

// Parses the words as a command line of quillet-cli.
std::optional<std::string> Parse(std::vector<std::string> words, Options& options) {
    words.insert(words.begin(), "quillet-cli");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return ParseArguments(static_cast<int>(words.size()), argv.data(), options);
}

TEST(CliRowList, ReadsRowsAndRanges) {
    EXPECT_EQ(ParseRowList("1,3-5"), (std::vector<int>{1, 3, 4, 5}));
    EXPECT_EQ(ParseRowList("5,2-3,3,1"), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(ParseRowList("7-7"), (std::vector<int>{7}));
    for (const char* bad : {"", "0", "3-1", "1,,2", "1,", "a", "1-", "-2", "1 ,2", "2-x", "100001",
                            "1-100001", "+1"}) {
        EXPECT_EQ(ParseRowList(bad), std::nullopt) << bad;
    }
}

TEST(CliArguments, OptionsStandAnywhereAndInBothForms) {
    Options options;
    ASSERT_EQ(Parse({"--dir=/x", "download", "--rows", "1,3", "k", "--jobs=2", "--json",
                     "--no-tags", "--service=h:1"},
                    options),
              std::nullopt);
    EXPECT_EQ(options.command, Command::Download);
    EXPECT_EQ(options.keyword, "k");
    EXPECT_EQ(options.dir, "/x");
    EXPECT_EQ(options.rows, (std::vector<int>{1, 3}));
    EXPECT_EQ(options.jobs, 2);
    EXPECT_TRUE(options.json && options.noTags && options.Batch());
    EXPECT_EQ(options.service, "h:1");

    // After "--" everything is a word, even what looks like an option.
    Options words;
    ASSERT_EQ(Parse({"--high", "resolve", "--", "--json"}, words), std::nullopt);
    EXPECT_EQ(words.command, Command::Resolve);
    EXPECT_EQ(words.keyword, "--json");
    EXPECT_TRUE(words.high);
    EXPECT_FALSE(words.json);

    Options help;
    EXPECT_EQ(Parse({"search", "--help"}, help), std::nullopt);
    EXPECT_TRUE(help.help);
}

TEST(CliArguments, RejectsWhatMakesNoCommand) {
    const std::vector<std::vector<std::string>> cases = {
        {"download", "k", "--row", "2", "--all"},
        {"download", "k", "--rows", "1", "--all"},
        {"download", "k", "--jobs", "0"},
        {"download", "k", "--jobs", "17"},
        {"download", "k", "--rows", "2-1"},
        {"download", "k", "--dir="},
        {"resolve", "k", "--all"},
        {"resolve", "k", "--no-tags"},
        {"search", "k", "--rows", "1"},
        {"search", "k", "--jobs", "2"},
        {"search", "k", "-x"},
        {"search", "k", "--json=1"},
        {"search", "--", "k", "--json"},
    };
    for (const auto& words : cases) {
        Options options;
        EXPECT_NE(Parse(words, options), std::nullopt) << ::testing::PrintToString(words);
    }
}

TEST(CliJson, EscapesWhatJsonMust) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "\"plain\""},
        {"a\"b\\c/", "\"a\\\"b\\\\c/\""},
        {"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {std::string("nul\0end", 7), "\"nul\\u0000end\""},
        {"\xE5\xBE\xAE\xE7\xAC\x91 \xF0\x9F\x8E\xB5",
         "\"\xE5\xBE\xAE\xE7\xAC\x91 \xF0\x9F\x8E\xB5\""},
        // Bytes that are no UTF-8: a stray continuation, a cut sequence, an overlong "/", a
        // surrogate and a lead byte past U+10FFFF.
        {"\x80", "\"\\ufffd\""},
        {"a\xE5\xBE", "\"a\\ufffd\\ufffd\""},
        {"\xC0\xAF", "\"\\ufffd\\ufffd\""},
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
        {"\xF5\x80\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
    };
    for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json) << json;

    EXPECT_EQ(JsonObject().Add("row", 2).Add("name", "x\"y").Add("ok", true).Str(),
              "{\"row\":2,\"name\":\"x\\\"y\",\"ok\":true}");
}

TEST(CliProgress, TextGivesBytesPercentAndSpeed) {
    EXPECT_EQ(ProgressText(1536, 3072, 1024.0), "1.5 KB / 3.0 KB  50%  1.0 KB/s");
    EXPECT_EQ(ProgressText(5 << 20, -1, 512.0), "5.0 MB  512 B/s");
    EXPECT_EQ(ProgressText(0, 0, 0.0), "0 B  0 B/s");
    EXPECT_EQ(FormatBytes(1023), "1023 B");
    EXPECT_EQ(FormatBytes(std::int64_t{3} << 30), "3.0 GB");
}

TEST(CliProgress, LineIsRedrawnInPlaceAtMostEveryTenthOfASecond) {
    std::ostringstream out;
    ProgressLine line(out);
    const auto start = ProgressLine::Clock::time_point{} + std::chrono::seconds(100);
    line.Update(1, 0, 2048, start);
    line.Update(1, 512, 2048, start + std::chrono::milliseconds(50));  // too soon: not drawn
    line.Update(1, 1024, 2048, start + std::chrono::milliseconds(1000));
    line.Update(1, 2048, 2048, start + std::chrono::milliseconds(1001));  // done: drawn
    line.Clear();
    EXPECT_EQ(out.str(),
              "\r\x1b[K0 B / 2.0 KB  0%  0 B/s"
              "\r\x1b[K1.0 KB / 2.0 KB  50%  1.0 KB/s"
              "\r\x1b[K2.0 KB / 2.0 KB  100%  2.0 KB/s"
              "\r\x1b[K");

    // Two downloads at once make one line of their sums; one without a length, no percent.
    std::ostringstream two;
    ProgressLine both(two);
    both.Update(1, 1024, 4096, start);
    both.Update(2, 1024, -1, start + std::chrono::seconds(1));
    EXPECT_NE(two.str().find("2 songs  2.0 KB  2.0 KB/s"), std::string::npos) << two.str();
}

TEST(CliRunner, RunsAFewAtATimeAndReportsInOrder) {
    std::mutex mutex;
    std::vector<int> finishedOrder;
    std::vector<int> reported;
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<bool> secondDone{false};
    RunInOrder(
        5, 2,
        [&](int index) {
            const int now = ++running;
            for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            // The first waits until the second is done, so they end out of order.
            if (index == 0) {
                while (!secondDone) std::this_thread::yield();
            }
            --running;
            {
                std::lock_guard lock(mutex);
                finishedOrder.push_back(index);
            }
            if (index == 1) secondDone = true;
        },
        [&](int index) { reported.push_back(index); });
    EXPECT_EQ(reported, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(finishedOrder.front(), 1);
    EXPECT_LE(most.load(), 2);
    EXPECT_GE(most.load(), 1);
}

}  // namespace
}  // namespace quillet::cli
