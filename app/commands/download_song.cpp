// Downloading a song: the row's resolved address fetched into a temporary file in the
// download folder, then renamed to "artist - song.mp3"; the outcome goes into cell 5.

#include "app/main_window.h"
#include "app/song_commands.h"
#include "app/song_files.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/http_download.h"

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
    list.SetCell(row, column::Status, status::Downloading);
    const Text temporaryPath = TemporaryFilePath(folder, list.Cell(row, column::Rid));

    // Only a whole, non-empty body of a successful reply becomes a song file; anything else
    // leaves no file behind.
    Text outcome(status::DownloadFailed);
    Text savedPath;
    if (stop.stop_requested()) {
        list.SetCell(row, column::Status, outcome);
        return savedPath;
    }
    const DownloadResult download = HttpDownload(address);
    const bool usable = download.complete && !download.body.empty() && download.status >= 200 &&
                        download.status <= 299;
    if (usable && WriteWholeFile(temporaryPath, download.body)) {
        if (RenameNoReplace(temporaryPath, songPath)) {
            outcome = status::Downloaded;
            savedPath = songPath;
        } else {
            outcome = status::RenameFailed;
            savedPath = temporaryPath;
        }
    } else if (usable) {
        RemoveFile(temporaryPath);  // a partly written file is of no use
    }
    list.SetCell(row, column::Status, outcome);
    return savedPath;
}

}  // namespace quillet
