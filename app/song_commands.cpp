#include "app/song_commands.h"

#include "app/download_settings.h"
#include "app/main_window.h"
#include "app/search_reply.h"
#include "app/song_files.h"
#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "text/code_pages.h"
#include "web/winhttp_page_request.h"

namespace quillet {

SongCommands::SongCommands(Runtime& runtime, FolderFunction saveDirectory, ServiceHosts hosts,
                           RevealFunction reveal)
    : runtime_(runtime),
      saveDirectory_(std::move(saveDirectory)),
      hosts_(std::move(hosts)),
      reveal_(std::move(reveal)),
      preview_(runtime, hosts_.proxy) {}

void ConnectCommands(MusicClient& client, SongCommands& commands) {
    commands.SetSettingsPath([&client] { return client.SettingsPath(); });
    MusicClient::Commands& hooks = client.Hooks();
    hooks.searchSongs = [&commands](const Text& keyword) { commands.SearchSongs(keyword); };
    hooks.resolveSongAddress = [&commands](const ReportList::RowRef& row, std::stop_token stop) {
        commands.ResolveSongAddress(row, stop);
    };
    hooks.downloadSong = [&commands](const ReportList::RowRef& row, std::stop_token stop) {
        commands.DownloadSong(row, stop);
    };
    hooks.copySongAddress = [&commands] { commands.CopySongAddress(); };
    hooks.locateSongFile = [&commands] { commands.LocateSongFile(); };
    hooks.openPreview = [&commands] { commands.OpenPreview(); };
}

Text SongCommands::SaveDirectory() const {
    if (!saveDirectoryOverride_.empty()) return saveDirectoryOverride_;
    return saveDirectory_ ? saveDirectory_() : Text();
}

void SongCommands::SearchSongs(const Text& keyword) {
    // The search reply is UTF-8; the list is filled from its GBK.
    Text requestStatus;
    const Utf8Bytes reply(WinHttpPageRequest(
        SearchAddress(hosts_, keyword), {.proxy = hosts_.proxy, .statusText = &requestStatus}));
    searchStatus_.Set(requestStatus);
    FillSongList(Utf8ToGbk(reply));
}

bool SongCommands::SearchRequestFailed() const {
    // Error texts of failed stages are numbered 7xx; a reply's status is its HTTP code.
    const Text status = searchStatus_.Get();
    return status.empty() || status[0] != '2';
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
        list.SetCell(row, column::Status, status::Listed);
    }
    MarkDownloadedRows();
}

void SongCommands::MarkDownloadedRows() {
    ReportList& list = runtime_.SongList();
    const Text folder = SaveDirectory();
    for (int row = 0; row < list.RowCount(); ++row) {
        list.SetMarked(row, PathExists(SongFilePath(folder, list.Cell(row, column::Artist),
                                                    list.Cell(row, column::SongName))));
    }
}

bool SongCommands::SongTagsOn() const {
    if (songTagsOverride_) return *songTagsOverride_;
    return !settingsPath_ || SongTagsEnabled(settingsPath_());
}

void SongCommands::ResolveSongAddress() {
    ResolveSongAddress(runtime_.SongList().SelectedRowRef());
}

Text SongCommands::DownloadSong() {
    return DownloadSong(runtime_.SongList().SelectedRowRef());
}

void SongCommands::CopySongAddress() {
    if (!RequireCellContains(runtime_, column::Status, ".mp3")) return;
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
    if (!RequireCellContains(runtime_, column::Status, ".mp3")) return;
    ReportList& list = runtime_.SongList();
    const int row = list.SelectedRow();
    preview_.Show(
        {.address = list.Cell(row, column::Status),
         .title = list.Cell(row, column::Artist) + " - " + list.Cell(row, column::SongName),
         .pictureAddress = list.Cell(row, column::ArtistPicture)});
}

}  // namespace quillet
