// Downloading a song: the row's resolved address fetched into a temporary file in the
// download folder (its progress beside cell 5), tagged, then renamed to "artist - song.mp3";
// the outcome goes into cell 5 and the row is marked when the song file is there.

#include <chrono>

#include "app/main_window.h"
#include "app/song_commands.h"
#include "app/song_files.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/http_download.h"
#include "runtime/program_folders.h"
#include "runtime/tags/song_tags.h"

namespace quillet {

Text SongCommands::DownloadSong(const ReportList::RowRef& row, std::stop_token stop) {
    ReportList& list = runtime_.SongList();
    const Text folder = SaveDirectory();
    const Text songPath =
        SongFilePath(folder, list.Cell(row, column::Artist), list.Cell(row, column::SongName));
    if (PathExists(songPath)) {
        runtime_.ShowMessage(AlreadyDownloadedMessage, MessageInformation);
        return {};
    }
    if (!RequireCellContains(runtime_, row, column::Status, ".mp3")) return {};
    const Text address = list.Cell(row, column::Status);
    // What the tag says, read now: the row's cells may change while the download runs.
    const SongTags tags{.title = list.Cell(row, column::SongName),
                        .artist = list.Cell(row, column::Artist),
                        .album = list.Cell(row, column::Album)};
    const Text pictureAddress = list.Cell(row, column::ArtistPicture);
    const bool tagsOn = SongTagsOn();
    list.SetCell(row, column::Status, status::Downloading);
    list.SetProgress(row, ReportList::Progress{0, -1});  // the bar shows before the first byte
    const Text temporaryPath = TemporaryFilePath(folder, list.Cell(row, column::Rid));

    // The body goes into the temporary file as it arrives. Only a whole, non-empty body of a
    // successful reply becomes a song file; anything else (a stop included) leaves no file.
    MakeFolders(folder);  // a fresh account may not have its desktop folder yet
    FileDownloadOptions options;
    options.proxy = hosts_.proxy;
    options.stop = stop;
    // The list hears of the progress at most every 100 ms or each percent, and at the end.
    using Clock = std::chrono::steady_clock;
    Clock::time_point shownAt{};
    std::int64_t shownBytes = -1;
    options.progress = [&](std::int64_t bytes, std::int64_t total) {
        if (downloadProgress_) downloadProgress_(bytes, total);
        const Clock::time_point now = Clock::now();
        const bool step = total > 0 && (bytes - shownBytes) * 100 >= total;
        if (bytes == total || step || now - shownAt >= std::chrono::milliseconds(100)) {
            list.SetProgress(row, ReportList::Progress{bytes, total});
            shownAt = now;
            shownBytes = bytes;
        }
    };
    const FileDownloadResult download = HttpDownloadToFile(address, temporaryPath, options);
    const bool usable = !download.stopped && download.complete && download.bytes > 0 &&
                        download.status >= 200 && download.status <= 299;
    Text outcome(status::DownloadFailed);
    Text savedPath;
    if (usable && tagsOn) {
        // A cover that cannot be fetched or decoded, or a file that cannot be tagged, still
        // leaves the song: the tag is a courtesy, the download has succeeded.
        // The cover's fetch cannot be stopped, so it is skipped once the program is closing
        // and has short time-outs: a closing program waits for it.
        const Bytes cover =
            pictureAddress.empty() || stop.stop_requested()
                ? Bytes()
                : HttpDownload(pictureAddress, {.connectSeconds = 5, .stallSeconds = 10},
                               hosts_.proxy)
                      .body;
        AddSongTags(temporaryPath, tags, cover);
    }
    if (!usable) {
        RemoveFile(temporaryPath);
    } else if (RenameNoReplace(temporaryPath, songPath)) {
        outcome = status::Downloaded;
        savedPath = songPath;
    } else {
        outcome = status::RenameFailed;
        savedPath = temporaryPath;
    }
    list.SetProgress(row, std::nullopt);
    list.SetCell(row, column::Status, outcome);
    list.SetMarked(row, PathExists(songPath));
    if (announce_) {
        const Text outcomeText(outcome == status::DownloadFailed ? status::DownloadFailed
                                                                 : status::Downloaded);
        announce_(tags.artist + " - " + tags.title, outcomeText, savedPath);
    }
    return savedPath;
}

}  // namespace quillet
