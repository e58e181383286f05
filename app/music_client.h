#pragma once

// The main window's behaviour: the download folder kept in yyst.ini, the search box, the
// quality buttons, the song list's clicks and its popup menu. The commands that the controls
// start and that live elsewhere are given as hooks.

#include <functional>

#include "runtime/locked_text.h"
#include "runtime/runtime.h"

namespace quillet {

inline constexpr std::string_view MainCaption = "Quillet音乐V2.3";
inline constexpr std::string_view EmptyKeywordMessage = "你要听什么歌尽管跟我说=^_^= ";
inline constexpr std::string_view QualityMessage =
    "切换音质，并不需要重新搜索歌曲，直接重新召唤地址即可。";
inline constexpr std::string_view FolderDialogTitle = "请选择要保存的文件夹";
inline constexpr std::string_view SettingsFileName = "yyst.ini";

/// The popup menu's items, in their order ("" is the separator).
inline constexpr std::string_view MenuLabels[] = {"试听歌曲",     "下载歌曲", "复制歌曲地址",
                                                  "定位歌曲文件", "",         "更改保存目录"};

class MusicClient {
  public:
    /// Commands of the song list and the search that other parts of the program provide;
    /// an empty hook does nothing.
    struct Commands {
        std::function<void(const Text& keyword)> searchSongs;  ///< after the empty check
        /// On a worker thread, for the row selected when the user chose the command (taken on
        /// the GUI thread, so a quick click on another row cannot move it).
        std::function<void(const ReportList::RowRef& row)> resolveSongAddress;
        std::function<void(const ReportList::RowRef& row)> downloadSong;
        std::function<void()> copySongAddress;
        std::function<void()> locateSongFile;
        std::function<void()> openPreview;
    };

    explicit MusicClient(Runtime& runtime);

    Commands& Hooks() { return commands_; }

    /// Sets every event handler of the main window; its Created event then runs
    /// LoadSaveDirectory.
    void BindMainWindow();

    /// The folder songs are saved into, copied whole (any thread).
    Text SaveDirectory() const { return saveDirectory_.Get(); }
    void LoadSaveDirectory();
    void ChangeSaveDirectory();
    /// The settings file: the run directory, then "/yyst.ini".
    Text SettingsPath() const;

    /// The first step of the search: an empty keyword gives a message and ends it.
    void SearchSongs();
    /// True when the cell of the selected row (or of `row`, fixed earlier) contains `text`;
    /// otherwise shows "请先获取歌曲地址" and yields false.
    bool RequireCellContains(int column, std::string_view text);
    bool RequireCellContains(const ReportList::RowRef& row, int column, std::string_view text);

    void OnSearchFocus();
    void OnSearchKey(int keyCode);
    void OnHighQualityClick();
    void OnListLeftClick();
    void OnListRightClick();
    /// The exit routine: empties the program-wide texts.
    void Exit();

  private:
    void SetSaveDirectory(std::string_view folder);

    Runtime& runtime_;
    Commands commands_;
    LockedText saveDirectory_;
};

}  // namespace quillet
