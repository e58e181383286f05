// Downloading a song: the row's resolved address fetched into a temporary file in the
// download folder, then renamed to "artist - song.mp3"; the outcome goes into cell 5.

#include "app/main_window.h"
#include "app/song_commands.h"
#include "app/song_files.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/http_download.h"
#include "runtime/program_folders.h"

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

    // The body goes into the temporary file as it arrives. Only a whole, non-empty body of a
    // successful reply becomes a song file; anything else (a stop included) leaves no file.
    MakeFolders(folder);  // a fresh account may not have its desktop folder yet
    FileDownloadOptions options;
    options.proxy = hosts_.proxy;
    options.progress = downloadProgress_;
    options.stop = stop;
    const FileDownloadResult download = HttpDownloadToFile(address, temporaryPath, options);
    const bool usable = !download.stopped && download.complete && download.bytes > 0 &&
                        download.status >= 200 && download.status <= 299;
    Text outcome(status::DownloadFailed);
    Text savedPath;
    if (!usable) {
        RemoveFile(temporaryPath);
    } else if (RenameNoReplace(temporaryPath, songPath)) {
        outcome = status::Downloaded;
        savedPath = songPath;
    } else {
        outcome = status::RenameFailed;
        savedPath = temporaryPath;
    }
    list.SetCell(row, column::Status, outcome);
    return savedPath;
}

}  // namespace quillet
