#pragma once

// The commands behind the search box and the song list's clicks and menu: search, address
// resolution, download, copy, locate and preview. They reach windows, files and threads
// through the runtime and the service through the web access routines.

#include <cstdint>
#include <functional>

#include "app/service_addresses.h"
#include "runtime/runtime.h"

namespace quillet {

class MusicClient;

namespace status {
inline constexpr std::string_view Resolving = "歌曲获取中...";
inline constexpr std::string_view ResolveFailed = "获取失败";
inline constexpr std::string_view Downloading = "歌曲下载中...";
inline constexpr std::string_view Downloaded = "下载成功";
inline constexpr std::string_view RenameFailed = "需定位手动修改歌名！";
inline constexpr std::string_view DownloadFailed = "下载失败";
}  // namespace status

inline constexpr std::string_view PatternFailedMessage = "正则创建失败！";
inline constexpr std::string_view NoSongsMessage = "没有找到歌曲，尝试减少或者换一个关键词吧";
inline constexpr std::string_view AlreadyDownloadedMessage = "别贪心，已经下载过了";
inline constexpr std::string_view LocateFailedMessage = "定位失败，请确认文件是否存在";
inline constexpr std::string_view PreviewCaption = "试听歌曲";

class SongCommands {
  public:
    /// Shows a file in the file manager; false when it could not be asked to.
    using RevealFunction = std::function<bool(const Text& path)>;

    SongCommands(Runtime& runtime, MusicClient& client, ServiceHosts hosts, RevealFunction reveal);

    /// Fills the main window's command hooks with these commands.
    void Install();

    /// The folder downloads go to: the remembered one unless this run names another.
    void SetSaveDirectoryOverride(Text folder) { saveDirectoryOverride_ = std::move(folder); }
    Text SaveDirectory() const;

    /// Told the bytes a running download has written and the announced total (-1: none).
    using DownloadProgress = std::function<void(std::int64_t bytes, std::int64_t total)>;
    void SetDownloadProgress(DownloadProgress progress) { downloadProgress_ = std::move(progress); }

    /// Fetches the search reply for a (non-empty) keyword and lists its songs.
    void SearchSongs(const Text& keyword);
    /// Empties the list, then appends a row for every record of the reply.
    void FillSongList(std::string_view replyText);

    /// Resolves a row (the selected one when none is given): address, artist picture and size
    /// into cells 5 to 7. Writes land only while the list still holds the row's generation.
    void ResolveSongAddress();
    void ResolveSongAddress(const ReportList::RowRef& row);
    /// Downloads a row's song (the selected one when none is given) into the download folder;
    /// the outcome goes into cell 5. Returns the path of the file it left, empty when none.
    Text DownloadSong();
    Text DownloadSong(const ReportList::RowRef& row);
    void CopySongAddress();
    void LocateSongFile();
    void OpenPreview();

  private:
    void FillPreviewWindow();

    Runtime& runtime_;
    MusicClient& client_;
    const ServiceHosts hosts_;
    const RevealFunction reveal_;
    Text saveDirectoryOverride_;
    DownloadProgress downloadProgress_;

    // What the preview window shows; written by OpenPreview (GUI thread only).
    struct PreviewState {
        Text address;
        Text title;
        Text pictureAddress;
    } preview_;
};

}  // namespace quillet
