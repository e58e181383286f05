#pragma once

// The commands behind the search box and the song list's clicks and menu: search, address
// resolution, download, copy, locate and preview. They reach windows, files and threads
// through the runtime and the service through the web access routines; they know nothing of
// the window that starts them.

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

#include "app/preview_window.h"
#include "app/service_addresses.h"
#include "runtime/locked_text.h"
#include "runtime/runtime.h"

namespace quillet {

class MusicClient;

class SongCommands {
  public:
    /// Shows a file in the file manager; false when it could not be asked to.
    using RevealFunction = std::function<bool(const Text& path)>;
    /// The folder downloads go to (any thread).
    using FolderFunction = std::function<Text()>;

    SongCommands(Runtime& runtime, FolderFunction saveDirectory, ServiceHosts hosts,
                 RevealFunction reveal);

    /// The folder downloads go to: the given one unless this run names another.
    void SetSaveDirectoryOverride(Text folder) { saveDirectoryOverride_ = std::move(folder); }
    Text SaveDirectory() const;

    /// Told the bytes a running download has written and the announced total (-1: none).
    using DownloadProgress = std::function<void(std::int64_t bytes, std::int64_t total)>;
    void SetDownloadProgress(DownloadProgress progress) { downloadProgress_ = std::move(progress); }

    /// Whether finished songs get tags for this run, over the settings file's `[download] tags`
    /// (which decides while this is not called).
    void SetSongTags(bool on) { songTagsOverride_ = on; }
    /// The settings file the commands read (ConnectCommands sets the client's).
    void SetSettingsPath(std::function<Text()> settingsPath) {
        settingsPath_ = std::move(settingsPath);
    }

    /// Told at the end of every download that reached the transfer: "artist - song", the
    /// outcome ("下载成功" or "下载失败") and the file it left (empty when none). Any thread.
    using DownloadAnnouncer =
        std::function<void(const Text& summary, const Text& outcome, const Text& path)>;
    void SetDownloadAnnouncer(DownloadAnnouncer announce) { announce_ = std::move(announce); }

    /// Fetches the search reply for a (non-empty) keyword and lists its songs.
    void SearchSongs(const Text& keyword);
    /// The last search request's status: code and reason ("200 OK"), or the failed stage's
    /// error text; empty before the first search.
    Text SearchRequestStatus() const { return searchStatus_.Get(); }
    /// True when the last search got no successful reply, as opposed to a reply that lists no
    /// song.
    bool SearchRequestFailed() const;
    /// Empties the list, then appends a row for every record of the reply.
    void FillSongList(std::string_view replyText);

    /// Resolves a row (the selected one when none is given): address, artist picture and size
    /// into cells 5 to 7. Writes land only while the list still holds the row's generation.
    void ResolveSongAddress();
    void ResolveSongAddress(const ReportList::RowRef& row, std::stop_token stop = {});
    /// Downloads a row's song (the selected one when none is given) into the download folder;
    /// the outcome goes into cell 5. Returns the path of the file it left, empty when none.
    /// A stop requested before the transfer ends it as a failed download.
    Text DownloadSong();
    Text DownloadSong(const ReportList::RowRef& row, std::stop_token stop = {});
    void CopySongAddress();
    void LocateSongFile();
    void OpenPreview();

  private:
    bool SongTagsOn() const;
    /// Marks the rows whose song file is in the download folder already.
    void MarkDownloadedRows();

    Runtime& runtime_;
    const FolderFunction saveDirectory_;
    const ServiceHosts hosts_;
    const RevealFunction reveal_;
    Text saveDirectoryOverride_;
    LockedText searchStatus_;
    DownloadProgress downloadProgress_;
    std::optional<bool> songTagsOverride_;
    std::function<Text()> settingsPath_;
    DownloadAnnouncer announce_;
    PreviewWindow preview_;
};

/// Fills the main window's command hooks with these commands.
void ConnectCommands(MusicClient& client, SongCommands& commands);

}  // namespace quillet
