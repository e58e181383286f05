// quillet-cli: the program's commands without a display, over the headless runtime.
//
//   quillet-cli search KEYWORD
//   quillet-cli resolve KEYWORD [--row N] [--high]
//   quillet-cli download KEYWORD [--row N] [--high] [--dir DIR]
//   any of them with --service HOST:PORT for all three endpoints
//   and --proxy HOST:PORT for a proxy every request goes through
//
// Arguments and output are UTF-8; messages the windows would show go to standard error.

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/service_settings.h"
#include "app/song_commands.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/headless_runtime.h"
#include "runtime/program_folders.h"
#include "text/code_pages.h"

namespace {

using namespace quillet;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct Arguments {
    std::string command;
    std::string keyword;  // UTF-8
    int row = 1;
    bool high = false;
    std::optional<std::string> dir;
    std::optional<std::string> service;
    std::optional<std::string> proxy;
};

int Usage(const std::string& problem) {
    std::cerr << "quillet-cli: " << problem << "\n"
              << "usage: quillet-cli search KEYWORD [--service HOST:PORT]\n"
              << "       quillet-cli resolve KEYWORD [--row N] [--high] [--service HOST:PORT]\n"
              << "       quillet-cli download KEYWORD [--row N] [--high] [--dir DIR] "
                 "[--service HOST:PORT]\n"
              << "       any of them with [--proxy HOST:PORT]\n";
    return ExitUsage;
}

// Options may stand before or after the command and the keyword.
std::optional<std::string> Parse(int argc, char** argv, Arguments& args) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--high") {
            args.high = true;
        } else if (arg == "--row" || arg == "--dir" || arg == "--service" || arg == "--proxy") {
            const std::optional<std::string> v = value();
            if (!v) return arg + " needs a value";
            if (arg == "--row") {
                char* end = nullptr;
                const long row = std::strtol(v->c_str(), &end, 10);
                if (v->empty() || *end != '\0' || row < 1 || row > 100000) {
                    return "--row takes a row number from 1";
                }
                args.row = static_cast<int>(row);
            } else if (arg == "--dir") {
                args.dir = *v;
            } else if (arg == "--proxy") {
                if (!IsValidHost(*v)) return "--proxy takes HOST:PORT";
                args.proxy = *v;
            } else {
                if (!IsValidHost(*v)) return "--service takes HOST:PORT";
                args.service = *v;
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return "unknown option " + arg;
        } else {
            words.push_back(arg);
        }
    }
    if (words.size() != 2) return "give a command and one keyword";
    args.command = words[0];
    args.keyword = words[1];
    if (args.command != "search" && args.command != "resolve" && args.command != "download") {
        return "unknown command " + args.command;
    }
    if (args.command == "search" && (args.high || args.dir || args.row != 1)) {
        return "search takes no --row, --high or --dir";
    }
    if (args.command == "resolve" && args.dir) return "resolve takes no --dir";
    if (args.keyword.empty()) return "the keyword is empty";
    return std::nullopt;
}

void PrintCells(ReportList& list, int row, std::initializer_list<int> columns) {
    std::string line;
    const char* separator = "";
    for (const int column : columns) {
        line += separator + GbkToUtf8(list.Cell(row, column)).str();
        separator = "\t";
    }
    std::cout << line << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const std::optional<std::string> problem = Parse(argc, argv, args)) return Usage(*problem);

    HeadlessRuntime runtime(RunDirectory(), UserDesktopFolder(), &std::cerr, column::Count);
    MusicClient client(runtime);
    client.LoadSaveDirectory();
    const ServiceHosts settings = ReadServiceHosts(client.SettingsPath());
    ServiceHosts hosts = args.service ? SingleHost(*args.service) : settings;
    hosts.proxy = args.proxy ? Text(*args.proxy) : settings.proxy;
    SongCommands commands(runtime, [&client] { return client.SaveDirectory(); }, hosts, {});
    ConnectCommands(client, commands);
    if (args.dir) commands.SetSaveDirectoryOverride(Utf8ToGbk(Utf8Bytes(*args.dir)));

    runtime.Controls().SetChecked(names::StandardQuality, !args.high);
    runtime.Controls().SetChecked(names::HighQuality, args.high);
    runtime.Controls().SetText(names::SearchBox, Utf8ToGbk(Utf8Bytes(args.keyword)));
    client.SearchSongs();

    ReportList& list = runtime.SongList();
    if (args.command == "search") {
        for (int row = 0; row < list.RowCount(); ++row) {
            PrintCells(list, row,
                       {column::Number, column::SongName, column::Artist, column::Album,
                        column::Rid, column::Status});
        }
        return list.RowCount() > 0 ? ExitOk : ExitFailed;
    }

    const int row = args.row - 1;
    if (row >= list.RowCount()) {
        std::cerr << "quillet-cli: the search listed " << list.RowCount() << " rows, no row "
                  << args.row << "\n";
        return ExitFailed;
    }
    list.SetSelectedRow(row);
    commands.ResolveSongAddress();
    if (args.command == "resolve") {
        PrintCells(list, row, {column::Status, column::ArtistPicture, column::Size});
        const Text cell = list.Cell(row, column::Status);
        return !cell.empty() && cell != status::ResolveFailed ? ExitOk : ExitFailed;
    }

    const Text saved = commands.DownloadSong();
    const Text outcome = list.Cell(row, column::Status);
    std::cout << GbkToUtf8(outcome) << "\n";
    if (!saved.empty()) std::cout << GbkToUtf8(saved) << "\n";
    return outcome == status::Downloaded ? ExitOk : ExitFailed;
}
