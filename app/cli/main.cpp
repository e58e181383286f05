// quillet-cli: the program's commands without a display, over the headless runtime.
//
//   quillet-cli search KEYWORD
//   quillet-cli resolve KEYWORD [--row N] [--high]
//   quillet-cli download KEYWORD [--row N | --rows LIST | --all] [--jobs N] [--high]
//                                [--dir DIR] [--no-tags]
//   any of them with --json, --service HOST:PORT for all three endpoints and --proxy
//   HOST:PORT for a proxy every request goes through
//
// Arguments and output are UTF-8; messages the windows would show go to standard error.
// Exit status: 0 done, 1 no match or a failed command, 2 usage (also an empty keyword and a
// download folder that cannot be written), 3 the search request failed.

#include <unistd.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/folder_check.h"
#include "app/cli/interrupt_watch.h"
#include "app/cli/json.h"
#include "app/cli/options.h"
#include "app/cli/progress_line.h"
#include "app/cli/row_runner.h"
#include "app/main_window.h"
#include "app/service_settings.h"
#include "app/song_commands.h"
#include "app/song_files.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/headless_runtime.h"
#include "runtime/program_folders.h"
#include "text/code_pages.h"

namespace {

using namespace quillet;
using cli::Command;
using cli::Options;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitRequestFailed = 3;

int Usage(const std::string& problem) {
    std::cerr << "quillet-cli: " << problem << "\n" << cli::UsageText();
    return ExitUsage;
}

std::string Utf8(std::string_view gbk) {
    return GbkToUtf8(gbk).str();
}

// The runtime's messages from `shown` on, as the windows would show them; `shown` moves past.
void PrintMessages(const HeadlessRuntime& runtime, std::size_t& shown) {
    const std::vector<HeadlessRuntime::Message> messages = runtime.Messages();
    for (; shown < messages.size(); ++shown) {
        std::cerr << Utf8("信息：") << Utf8(messages[shown].text) << "\n";
    }
    std::cerr.flush();
}

void PrintCells(const ReportList& list, int row, std::initializer_list<int> columns) {
    std::string line;
    const char* separator = "";
    for (const int column : columns) {
        line += separator + Utf8(list.Cell(row, column));
        separator = "\t";
    }
    std::cout << line << "\n";
}

// What one row came to, in the list's GBK.
struct RowResult {
    Text status;   // the final status text
    Text address;  // resolved address, picture and size, when resolution worked
    Text picture;
    Text size;
    Text path;  // the song file left, empty when none
    bool alreadyThere = false;
};

cli::JsonObject RowJson(const ReportList& list, int row) {
    cli::JsonObject json;
    json.Add("row", row + 1)
        .Add("name", Utf8(list.Cell(row, column::SongName)))
        .Add("artist", Utf8(list.Cell(row, column::Artist)))
        .Add("album", Utf8(list.Cell(row, column::Album)))
        .Add("rid", Utf8(list.Cell(row, column::Rid)));
    return json;
}

void AddResolution(cli::JsonObject& json, const RowResult& result) {
    if (result.address.empty()) return;
    json.Add("address", Utf8(result.address))
        .Add("picture", Utf8(result.picture))
        .Add("size", Utf8(result.size));
}

// The row's resolution, read from its cells.
RowResult ResolvedCells(const ReportList& list, int row) {
    RowResult result;
    result.status = list.Cell(row, column::Status);
    if (result.status.find(".mp3") != Text::npos) {
        result.address = result.status;
        result.picture = list.Cell(row, column::ArtistPicture);
        result.size = list.Cell(row, column::Size);
    }
    return result;
}

// The download folder checked before anything is fetched.
std::optional<int> CheckFolder(const Text& folder) {
    const std::string problem = cli::FolderProblem(folder);
    if (problem.empty()) return std::nullopt;
    std::cerr << "quillet-cli: cannot save songs into " << Utf8(folder) << ": " << problem << "\n";
    return ExitUsage;
}

// The download thread's row, so that the progress of several downloads stays apart.
thread_local int progressKey = 0;

class CliProgram {
  public:
    CliProgram(const Options& options, std::stop_token stop)
        : options_(options),
          stop_(std::move(stop)),
          runtime_(RunDirectory(), UserDesktopFolder(), nullptr, column::Count),
          client_(runtime_),
          commands_(runtime_, [this] { return client_.SaveDirectory(); }, Hosts(), {}) {}

    int Run();

  private:
    // The hosts of the settings file and the options; the remembered download folder is read
    // on the way, as the window reads it when it opens.
    ServiceHosts Hosts() {
        client_.LoadSaveDirectory();
        const ServiceHosts settings = ReadServiceHosts(client_.SettingsPath());
        ServiceHosts hosts = options_.service ? SingleHost(*options_.service) : settings;
        hosts.proxy = options_.proxy ? Text(*options_.proxy) : settings.proxy;
        return hosts;
    }
    int Search();
    int Resolve(int row);
    int DownloadOne(int row);
    int DownloadRows(const std::vector<int>& rows);
    RowResult DownloadRow(int row);
    void PrintDownload(int row, const RowResult& result);

    const Options& options_;
    const std::stop_token stop_;  // an interrupt: downloads end, the rest is not begun
    HeadlessRuntime runtime_;
    MusicClient client_;
    SongCommands commands_;
    std::size_t messagesShown_ = 0;
    std::optional<cli::ProgressLine> progress_;
};

int CliProgram::Run() {
    ConnectCommands(client_, commands_);
    if (options_.dir) commands_.SetSaveDirectoryOverride(Utf8ToGbk(Utf8Bytes(*options_.dir)));
    if (options_.noTags) commands_.SetSongTags(false);
    if (options_.command == Command::Download) {
        if (const std::optional<int> code = CheckFolder(commands_.SaveDirectory())) return *code;
        // A progress line only where someone watches it.
        if (isatty(STDERR_FILENO)) {
            progress_.emplace(std::cerr);
            commands_.SetDownloadProgress([this](std::int64_t bytes, std::int64_t total) {
                progress_->Update(progressKey, bytes, total);
            });
        }
    }
    runtime_.Controls().SetChecked(names::StandardQuality, !options_.high);
    runtime_.Controls().SetChecked(names::HighQuality, options_.high);
    runtime_.Controls().SetText(names::SearchBox, Utf8ToGbk(Utf8Bytes(options_.keyword)));

    if (const int code = Search(); code != ExitOk || options_.command == Command::Search) {
        return code;
    }
    const ReportList& list = runtime_.SongList();
    std::vector<int> rows;
    if (options_.all) {
        for (int row = 0; row < list.RowCount(); ++row) rows.push_back(row);
    } else {
        for (const int row : options_.Batch() ? options_.rows : std::vector{options_.row}) {
            rows.push_back(row - 1);
        }
    }
    if (!rows.empty() && rows.back() >= list.RowCount()) {
        std::cerr << "quillet-cli: the search listed " << list.RowCount() << " rows, no row "
                  << rows.back() + 1 << "\n";
        return ExitFailed;
    }
    if (options_.command == Command::Resolve) return Resolve(rows.front());
    return options_.Batch() ? DownloadRows(rows) : DownloadOne(rows.front());
}

int CliProgram::Search() {
    client_.SearchSongs();
    // An empty search box gets the window's own answer, then how to ask.
    if (runtime_.Controls().GetText(names::SearchBox).empty()) {
        PrintMessages(runtime_, messagesShown_);
        std::cerr << cli::UsageText();
        return ExitUsage;
    }
    if (commands_.SearchRequestFailed()) {
        const Text status = commands_.SearchRequestStatus();
        std::cerr << "quillet-cli: the search request failed: "
                  << (status.empty() ? std::string("no reply") : Utf8(status)) << "\n";
        return ExitRequestFailed;
    }
    PrintMessages(runtime_, messagesShown_);
    const ReportList& list = runtime_.SongList();
    if (options_.command == Command::Search) {
        for (int row = 0; row < list.RowCount(); ++row) {
            if (options_.json) {
                std::cout
                    << RowJson(list, row).Add("status", Utf8(list.Cell(row, column::Status))).Str()
                    << "\n";
            } else {
                PrintCells(list, row,
                           {column::Number, column::SongName, column::Artist, column::Album,
                            column::Rid, column::Status});
            }
        }
    }
    return list.RowCount() > 0 ? ExitOk : ExitFailed;
}

int CliProgram::Resolve(int row) {
    ReportList& list = runtime_.SongList();
    list.SetSelectedRow(row);
    commands_.ResolveSongAddress();
    PrintMessages(runtime_, messagesShown_);
    const RowResult result = ResolvedCells(list, row);
    if (options_.json) {
        cli::JsonObject json = RowJson(list, row);
        json.Add("status", Utf8(result.status));
        AddResolution(json, result);
        std::cout << json.Str() << "\n";
    } else {
        PrintCells(list, row, {column::Status, column::ArtistPicture, column::Size});
    }
    return !result.address.empty() ? ExitOk : ExitFailed;
}

void CliProgram::PrintDownload(int row, const RowResult& result) {
    if (progress_) progress_->Clear();
    if (options_.json) {
        cli::JsonObject json = RowJson(runtime_.SongList(), row);
        json.Add("status", Utf8(result.status));
        AddResolution(json, result);
        if (!result.path.empty()) json.Add("path", Utf8(result.path));
        std::cout << json.Str() << "\n";
    } else {
        std::cout << Utf8(result.status) << "\n";
        if (!result.path.empty()) std::cout << Utf8(result.path) << "\n";
    }
    std::cout.flush();
}

// One row as the window does it: resolve, then download; an existing song file is reported
// by the download command itself.
int CliProgram::DownloadOne(int row) {
    ReportList& list = runtime_.SongList();
    list.SetSelectedRow(row);
    const ReportList::RowRef ref = list.SelectedRowRef();
    commands_.ResolveSongAddress(ref, stop_);
    RowResult result = ResolvedCells(list, row);
    result.path = commands_.DownloadSong(ref, stop_);
    result.status = list.Cell(row, column::Status);
    if (progress_) progress_->Clear();
    PrintMessages(runtime_, messagesShown_);
    if (result.status == result.address && !result.address.empty()) {
        // The song file was there already: nothing fetched, the message above says so.
        if (!options_.json) return ExitFailed;
        result.status = AlreadyDownloadedMessage;
    }
    PrintDownload(row, result);
    return result.status == status::Downloaded ? ExitOk : ExitFailed;
}

// A row of a batch: a song already in the folder is not fetched again.
RowResult CliProgram::DownloadRow(int row) {
    ReportList& list = runtime_.SongList();
    const ReportList::RowRef ref{list.CurrentShape().generation, row};
    const Text songPath = SongFilePath(commands_.SaveDirectory(), list.Cell(row, column::Artist),
                                       list.Cell(row, column::SongName));
    auto alreadyThere = [&songPath] {
        RowResult result;
        result.status = AlreadyDownloadedMessage;
        result.path = songPath;
        result.alreadyThere = true;
        return result;
    };
    if (PathExists(songPath)) return alreadyThere();
    if (stop_.stop_requested()) {
        RowResult notBegun;
        notBegun.status = status::DownloadFailed;
        return notBegun;
    }
    progressKey = row;
    commands_.ResolveSongAddress(ref, stop_);
    RowResult result = ResolvedCells(list, row);
    if (result.address.empty()) return result;
    result.path = commands_.DownloadSong(ref, stop_);
    result.status = list.Cell(row, column::Status);
    // Two rows of the same song: the one that ends second finds the file there.
    if (result.status == result.address && PathExists(songPath)) {
        RowResult there = alreadyThere();
        there.address = result.address;
        there.picture = result.picture;
        there.size = result.size;
        return there;
    }
    return result;
}

int CliProgram::DownloadRows(const std::vector<int>& rows) {
    std::vector<RowResult> results(rows.size());
    bool allWell = true;
    cli::RunInOrder(
        static_cast<int>(rows.size()), options_.jobs,
        [&](int index) {
            results[static_cast<std::size_t>(index)] =
                DownloadRow(rows[static_cast<std::size_t>(index)]);
        },
        [&](int index) {
            const RowResult& result = results[static_cast<std::size_t>(index)];
            allWell = allWell && (result.alreadyThere || result.status == status::Downloaded);
            PrintDownload(rows[static_cast<std::size_t>(index)], result);
        });
    if (progress_) progress_->Clear();
    PrintMessages(runtime_, messagesShown_);
    return allWell ? ExitOk : ExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::optional<std::string> problem = cli::ParseArguments(argc, argv, options)) {
        return Usage(*problem);
    }
    if (options.help) {
        std::cout << "quillet-cli: search, resolve and download songs without a display\n"
                  << cli::UsageText();
        return ExitOk;
    }
    if (options.version) {
        std::cout << "quillet-cli " << QUILLET_VERSION << "\n";
        return ExitOk;
    }
    // Before any thread starts, so that every thread leaves the signals to the watch.
    std::optional<cli::InterruptWatch> interrupts;
    if (options.command == Command::Download) interrupts.emplace();
    int code = ExitOk;
    {
        CliProgram program(options, interrupts ? interrupts->Token() : std::stop_token());
        code = program.Run();
    }
    if (interrupts && interrupts->Signal() != 0) return 128 + interrupts->Signal();
    return code;
}
