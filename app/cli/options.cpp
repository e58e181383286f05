#include "app/cli/options.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>

#include "app/service_addresses.h"

namespace quillet::cli {

namespace {

enum OptionId : int {
    OptRow = 1000,
    OptRows,
    OptAll,
    OptJobs,
    OptHigh,
    OptDir,
    OptService,
    OptProxy,
    OptJson,
    OptNoTags,
    OptVersion,
};

// A whole decimal number within [low, high].
std::optional<int> ParseNumber(std::string_view text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::string UsageText() {
    return "usage: quillet-cli search KEYWORD [--json]\n"
           "       quillet-cli resolve KEYWORD [--row N] [--high] [--json]\n"
           "       quillet-cli download KEYWORD [--row N | --rows LIST | --all] [--jobs N]\n"
           "                   [--high] [--dir DIR] [--no-tags] [--json]\n"
           "       any of them with [--service HOST:PORT] [--proxy HOST:PORT]\n"
           "       quillet-cli --help | --version\n"
           "LIST is like 1,3-5; -- ends the options.\n";
}

std::optional<std::vector<int>> ParseRowList(std::string_view list) {
    std::vector<int> rows;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view item = list.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        const std::optional<int> first = ParseNumber(item.substr(0, dash), 1, MaxRow);
        const std::optional<int> last =
            dash == std::string_view::npos ? first : ParseNumber(item.substr(dash + 1), 1, MaxRow);
        if (!first || !last || *last < *first) return std::nullopt;
        for (int row = *first; row <= *last; ++row) rows.push_back(row);
        start = comma + 1;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::optional<std::string> ParseArguments(int argc, char** argv, Options& options) {
    static const option longOptions[] = {
        {"row", required_argument, nullptr, OptRow},
        {"rows", required_argument, nullptr, OptRows},
        {"all", no_argument, nullptr, OptAll},
        {"jobs", required_argument, nullptr, OptJobs},
        {"high", no_argument, nullptr, OptHigh},
        {"dir", required_argument, nullptr, OptDir},
        {"service", required_argument, nullptr, OptService},
        {"proxy", required_argument, nullptr, OptProxy},
        {"json", no_argument, nullptr, OptJson},
        {"no-tags", no_argument, nullptr, OptNoTags},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, OptVersion},
        {nullptr, 0, nullptr, 0},
    };
    bool jobsGiven = false;
    opterr = 0;  // the problems are told with the usage below
    optind = 0;  // a fresh scan, also when called again
    for (;;) {
        const int id = getopt_long(argc, argv, ":h", longOptions, nullptr);
        if (id == -1) break;
        const std::string value = optarg != nullptr ? optarg : "";
        switch (id) {
            case 'h':
                options.help = true;
                break;
            case OptVersion:
                options.version = true;
                break;
            case OptRow: {
                const std::optional<int> row = ParseNumber(value, 1, MaxRow);
                if (!row) return "--row takes a row number from 1";
                options.row = *row;
                options.rowGiven = true;
                break;
            }
            case OptRows: {
                std::optional<std::vector<int>> rows = ParseRowList(value);
                if (!rows) return "--rows takes a list of rows such as 1,3-5";
                options.rows = std::move(*rows);
                break;
            }
            case OptAll:
                options.all = true;
                break;
            case OptJobs: {
                const std::optional<int> jobs = ParseNumber(value, 1, MaxJobs);
                if (!jobs) return "--jobs takes a number from 1 to " + std::to_string(MaxJobs);
                options.jobs = *jobs;
                jobsGiven = true;
                break;
            }
            case OptHigh:
                options.high = true;
                break;
            case OptDir:
                if (value.empty()) return "--dir needs a folder";
                options.dir = value;
                break;
            case OptService:
                if (!IsValidHost(value)) return "--service takes HOST:PORT";
                options.service = value;
                break;
            case OptProxy:
                if (!IsValidHost(value)) return "--proxy takes HOST:PORT";
                options.proxy = value;
                break;
            case OptJson:
                options.json = true;
                break;
            case OptNoTags:
                options.noTags = true;
                break;
            case ':':
                return std::string(argv[optind - 1]) + " needs a value";
            default:
                // An unknown short option is told by its letter, a long one by its word.
                if (optopt > 0 && optopt < 128) {
                    return "unknown option -" + std::string(1, static_cast<char>(optopt));
                }
                return "unknown option " + std::string(argv[optind - 1]);
        }
    }
    if (options.help || options.version) return std::nullopt;

    const int words = argc - optind;
    if (words != 2) return "give a command and one keyword";
    const std::string command = argv[optind];
    options.keyword = argv[optind + 1];
    if (command == "search") {
        options.command = Command::Search;
    } else if (command == "resolve") {
        options.command = Command::Resolve;
    } else if (command == "download") {
        options.command = Command::Download;
    } else {
        return "unknown command " + command;
    }

    const bool batchOption = options.all || !options.rows.empty() || jobsGiven;
    if (options.command == Command::Search &&
        (options.high || options.dir || options.rowGiven || batchOption || options.noTags)) {
        return "search takes no --row, --rows, --all, --jobs, --high, --dir or --no-tags";
    }
    if (options.command == Command::Resolve && (options.dir || batchOption || options.noTags)) {
        return "resolve takes no --rows, --all, --jobs, --dir or --no-tags";
    }
    if (options.rowGiven + options.all + !options.rows.empty() > 1) {
        return "give one of --row, --rows and --all";
    }
    return std::nullopt;
}

}  // namespace quillet::cli
