#pragma once

// quillet-cli's command line: the command, the keyword and the options, in any order.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

enum class Command { Search, Resolve, Download };

struct Options {
    Command command = Command::Search;
    std::string keyword;  ///< UTF-8; may be empty (the search itself answers that)
    int row = 1;          ///< --row, counted from 1
    bool rowGiven = false;
    std::vector<int> rows;  ///< --rows, ascending, without repeats
    bool all = false;       ///< --all
    int jobs = 3;           ///< downloads at a time in a batch
    bool high = false;
    bool json = false;
    bool noTags = false;
    std::optional<std::string> dir;
    std::optional<std::string> service;
    std::optional<std::string> proxy;
    bool help = false;
    bool version = false;

    /// Several rows asked for (--rows or --all).
    bool Batch() const { return all || !rows.empty(); }
};

inline constexpr int MaxRow = 100000;
inline constexpr int MaxJobs = 16;

/// Reads the arguments (argv[0] is the program). Yields the problem when they do not make a
/// command; --help and --version need nothing else. getopt_long may reorder `argv`.
std::optional<std::string> ParseArguments(int argc, char** argv, Options& options);

/// A row list such as "1,3-5": ascending rows without repeats; nothing for a malformed list or
/// a row outside 1 to MaxRow.
std::optional<std::vector<int>> ParseRowList(std::string_view list);

/// The usage lines, ending in a newline.
std::string UsageText();

}  // namespace quillet::cli
