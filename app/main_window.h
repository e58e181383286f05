#pragma once

// The main window's presenter: its controls and the song list's columns, the download folder
// kept in yyst.ini, the search box, the quality buttons, the song list's clicks and its popup
// menu. The commands the controls start are given as hooks, filled by whoever assembles the
// program.

#include <functional>
#include <stop_token>

#include "runtime/locked_text.h"
#include "runtime/runtime.h"

namespace quillet {

/// The main window's controls, as its description (main_window.ui) names them.
namespace names {
inline constexpr std::string_view MainWindow = "MainWindow";
inline constexpr std::string_view SongList = "超级列表框1";
inline constexpr std::string_view StandardQuality = "单选框1";
inline constexpr std::string_view HighQuality = "单选框2";
inline constexpr std::string_view SaveFolderBox = "编辑框_保存";
inline constexpr std::string_view SearchBox = "编辑框_搜索";
inline constexpr std::string_view SearchButton = "按钮_搜索";
}  // namespace names

/// The song list's columns by index; their headers and widths are in MainWindowSpec.
namespace column {
inline constexpr int Number = 0;
inline constexpr int SongName = 1;
inline constexpr int Artist = 2;
inline constexpr int Album = 3;
inline constexpr int Rid = 4;
inline constexpr int Status = 5;
inline constexpr int ArtistPicture = 6;
inline constexpr int Size = 7;
inline constexpr int Count = 8;
}  // namespace column

/// The song list's columns: header texts and widths (0 hides a column). Column 5's header
/// "    标准   高品" labels the two quality buttons that sit in its blanks.
inline constexpr ListColumn SongListColumns[column::Count] = {
    {"id", 35}, {"歌曲名称", 150},        {"歌手", 100},     {"专辑", 150},
    {"rid", 0}, {"    标准   高品", 120}, {"artist_pic", 0}, {"大小", 55}};

inline constexpr WindowSpec MainWindowSpec{.name = names::MainWindow,
                                           .listControl = names::SongList,
                                           .listColumns = SongListColumns,
                                           .progressColumn = column::Status,
                                           .markColumn = column::SongName};

inline constexpr std::string_view SettingsFileName = "yyst.ini";

class MusicClient {
  public:
    /// Commands of the song list and the search that other parts of the program provide;
    /// an empty hook does nothing.
    struct Commands {
        std::function<void(const Text& keyword)> searchSongs;  ///< after the empty check
        /// On a worker thread, for the row selected when the user chose the command (taken on
        /// the GUI thread, so a quick click on another row cannot move it), with the worker's
        /// stop token.
        std::function<void(const ReportList::RowRef& row, std::stop_token stop)> resolveSongAddress;
        std::function<void(const ReportList::RowRef& row, std::stop_token stop)> downloadSong;
        std::function<void()> copySongAddress;
        std::function<void()> locateSongFile;
        std::function<void()> openPreview;
    };

    explicit MusicClient(Runtime& runtime);

    Commands& Hooks() { return commands_; }

    /// Sets every event handler of the main window; its Created event then runs
    /// LoadSaveDirectory.
    void BindMainWindow();
    /// Shows the main window; false when it cannot be loaded.
    bool Show();

    /// The folder songs are saved into, copied whole (any thread).
    Text SaveDirectory() const { return saveDirectory_.Get(); }
    void LoadSaveDirectory();
    void ChangeSaveDirectory();
    /// The settings file: the run directory, then "/yyst.ini".
    Text SettingsPath() const;

    /// The first step of the search: an empty keyword gives a message and ends it.
    void SearchSongs();

    void OnSearchFocus();
    void OnSearchKey(int keyCode);
    void OnHighQualityClick();
    /// Resolves the clicked row on a worker; "获取失败" when no worker can be started.
    void OnListLeftClick();
    void OnListRightClick();
    /// The exit routine: empties the program-wide texts.
    void Exit();

  private:
    void SetSaveDirectory(std::string_view folder);
    void StartDownload();

    Runtime& runtime_;
    Commands commands_;
    LockedText saveDirectory_;
};

}  // namespace quillet
