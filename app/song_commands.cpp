#include "app/song_commands.h"

#include "app/control_names.h"
#include "app/music_client.h"
#include "app/placeholder_picture.h"
#include "app/player_page.h"
#include "app/search_reply.h"
#include "app/song_files.h"
#include "app/song_info_reply.h"
#include "app/song_list.h"
#include "runtime/file_ops.h"
#include "runtime/http_download.h"
#include "runtime/program_folders.h"
#include "text/code_pages.h"
#include "web/remote_file_size.h"
#include "web/winhttp_page_request.h"
#include "web/wininet_page_request.h"

namespace quillet {
SongCommands::SongCommands(Runtime& runtime, MusicClient& client, ServiceHosts hosts,
                           RevealFunction reveal)
    : runtime_(runtime), client_(client), hosts_(std::move(hosts)), reveal_(std::move(reveal)) {}

void SongCommands::Install() {
    MusicClient::Commands& hooks = client_.Hooks();
    hooks.searchSongs = [this](const Text& keyword) { SearchSongs(keyword); };
    hooks.resolveSongAddress = [this](const ReportList::RowRef& row) { ResolveSongAddress(row); };
    hooks.downloadSong = [this](const ReportList::RowRef& row) { DownloadSong(row); };
    hooks.copySongAddress = [this] { CopySongAddress(); };
    hooks.locateSongFile = [this] { LocateSongFile(); };
    hooks.openPreview = [this] { OpenPreview(); };
}

Text SongCommands::SaveDirectory() const {
    return saveDirectoryOverride_.empty() ? client_.SaveDirectory() : saveDirectoryOverride_;
}

void SongCommands::SearchSongs(const Text& keyword) {
    const Text reply = WinHttpPageRequest(SearchAddress(hosts_, keyword));
    FillSongList(Utf8ToGbk(reply));
}

void SongCommands::FillSongList(std::string_view replyText) {
    ReportList& list = runtime_.SongList();
    list.DeleteAll();
    const SearchReply reply = ReadSearchReply(replyText);
    if (!reply.patternWorked) {
        runtime_.ShowMessage(PatternFailedMessage, MessageError);
        return;
    }
    if (reply.records.empty()) {
        runtime_.ShowMessage(NoSongsMessage, MessageInformation);
        return;
    }
    for (const SongRecord& record : reply.records) {
        const int row = list.AppendRow();
        list.SetCell(row, column::Number, std::to_string(row + 1));
        list.SetCell(row, column::SongName, record.songName);
        list.SetCell(row, column::Artist, record.artist);
        list.SetCell(row, column::Album, record.album);
        list.SetCell(row, column::Rid, record.rid);
        list.SetCell(row, column::Status, StatusListed);
    }
}

void SongCommands::ResolveSongAddress() {
    ResolveSongAddress(runtime_.SongList().SelectedRowRef());
}

void SongCommands::ResolveSongAddress(const ReportList::RowRef& row) {
    // A search that empties the list meanwhile makes the writes below fall on no row.
    ReportList& list = runtime_.SongList();
    const Text rid = list.Cell(row, column::Rid);
    list.SetCell(row, column::Status, status::Resolving);

    const Text reply = WinHttpPageRequest(SongInfoAddress(hosts_, rid));
    if (!ReplyHasMp3(reply)) {
        list.SetCell(row, column::Status, status::ResolveFailed);
        return;
    }
    Text address;
    if (runtime_.Controls().IsChecked(names::StandardQuality)) {
        address = StandardAddress(reply).value_or(Text());
    } else {
        address = FetchPageText(ConvertAddress(hosts_, rid));
    }
    if (address.empty()) {
        list.SetCell(row, column::Status, status::ResolveFailed);
        return;
    }
    const Text size = SizeText(RemoteFileSize(address));
    list.SetCell(row, column::Status, address);
    list.SetCell(row, column::ArtistPicture, ArtistPictureAddress(reply));
    list.SetCell(row, column::Size, size);
}

Text SongCommands::DownloadSong() {
    return DownloadSong(runtime_.SongList().SelectedRowRef());
}

Text SongCommands::DownloadSong(const ReportList::RowRef& row) {
    ReportList& list = runtime_.SongList();
    const Text folder = SaveDirectory();
    const Text songPath =
        SongFilePath(folder, list.Cell(row, column::Artist), list.Cell(row, column::SongName));
    if (PathExists(songPath)) {
        runtime_.ShowMessage(AlreadyDownloadedMessage, MessageInformation);
        return {};
    }
    if (!client_.RequireCellContains(row, column::Status, ".mp3")) return {};
    const Text address = list.Cell(row, column::Status);
    list.SetCell(row, column::Status, status::Downloading);
    const Text temporaryPath = TemporaryFilePath(folder, list.Cell(row, column::Rid));

    // Only a whole, non-empty body of a successful reply becomes a song file; anything else
    // leaves no file behind.
    MakeFolders(folder);  // a fresh account may not have its desktop folder yet
    const DownloadResult download = HttpDownload(address);
    const bool usable = download.complete && !download.body.empty() && download.status >= 200 &&
                        download.status <= 299;
    Text outcome(status::DownloadFailed);
    Text savedPath;
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

void SongCommands::CopySongAddress() {
    if (!client_.RequireCellContains(column::Status, ".mp3")) return;
    ReportList& list = runtime_.SongList();
    runtime_.SetClipboardText(list.Cell(list.SelectedRow(), column::Status));
}

void SongCommands::LocateSongFile() {
    ReportList& list = runtime_.SongList();
    const int row = list.SelectedRow();
    const Text folder = SaveDirectory();
    const Text path = list.Cell(row, column::Status) == status::RenameFailed
                          ? TemporaryFilePath(folder, list.Cell(row, column::Rid))
                          : SongFilePath(folder, list.Cell(row, column::Artist),
                                         list.Cell(row, column::SongName));
    if (!PathExists(path) || !reveal_ || !reveal_(path)) {
        runtime_.ShowMessage(LocateFailedMessage, MessageInformation);
    }
}

void SongCommands::OpenPreview() {
    if (!client_.RequireCellContains(column::Status, ".mp3")) return;
    ReportList& list = runtime_.SongList();
    const int row = list.SelectedRow();
    preview_.address = list.Cell(row, column::Status);
    preview_.title = list.Cell(row, column::Artist) + " - " + list.Cell(row, column::SongName);
    preview_.pictureAddress = list.Cell(row, column::ArtistPicture);
    runtime_.LoadWindow(names::PreviewWindow);
    FillPreviewWindow();
}

void SongCommands::FillPreviewWindow() {
    const Text page = CacheFolder(runtime_.RunDirectory()) + "/" + Text(PlayerPageName);
    WriteWholeFile(page, PlayerPage(preview_.address));  // a failed write shows the old page
    runtime_.SetBrowserAddress(names::BrowserBox, page);
    runtime_.SetCaption(names::PreviewWindow, preview_.title);
    if (preview_.pictureAddress.empty()) {
        runtime_.SetPicture(names::PictureBox, PlaceholderPicture());
    } else {
        runtime_.SetPicture(names::PictureBox, HttpDownloadBytes(preview_.pictureAddress));
    }
}

}  // namespace quillet
