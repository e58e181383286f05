#include "app/main_window.h"

#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/ini_file.h"
#include "runtime/program_folders.h"

namespace quillet {

MusicClient::MusicClient(Runtime& runtime) : runtime_(runtime) {}

void MusicClient::BindMainWindow() {
    runtime_.SetEventHandler(names::MainWindow, ControlEvent::Created,
                             [this](int) { LoadSaveDirectory(); });
    runtime_.SetEventHandler(names::SearchBox, ControlEvent::FocusGained,
                             [this](int) { OnSearchFocus(); });
    runtime_.SetEventHandler(names::SearchBox, ControlEvent::KeyPressed,
                             [this](int key) { OnSearchKey(key); });
    runtime_.SetEventHandler(names::SearchButton, ControlEvent::Clicked,
                             [this](int) { SearchSongs(); });
    runtime_.SetEventHandler(names::HighQuality, ControlEvent::Clicked,
                             [this](int) { OnHighQualityClick(); });
    runtime_.SetEventHandler(names::SongList, ControlEvent::LeftClick,
                             [this](int) { OnListLeftClick(); });
    runtime_.SetEventHandler(names::SongList, ControlEvent::RightClick,
                             [this](int) { OnListRightClick(); });
}

bool MusicClient::Show() {
    return runtime_.LoadWindow(MainWindowSpec);
}

Text MusicClient::SettingsPath() const {
    return ConfigFolder(runtime_.RunDirectory()) + "/" + Text(SettingsFileName);
}

void MusicClient::SetSaveDirectory(std::string_view folder) {
    saveDirectory_.Set(folder);
    runtime_.Controls().SetText(names::SaveFolderBox, folder);
}

void MusicClient::LoadSaveDirectory() {
    Text desktop = runtime_.DesktopFolder();
    Text folder = ReadIniValue(SettingsPath(), "a", "a", desktop);
    SetSaveDirectory(folder.empty() ? desktop : folder);
}

void MusicClient::ChangeSaveDirectory() {
    Text folder = runtime_.ChooseFolder(FolderDialogTitle, SaveDirectory());
    if (folder.empty()) folder = runtime_.DesktopFolder();
    SetSaveDirectory(folder);
    // The settings folder of an installed copy is made on this first write; a failed write
    // leaves the choice for this run only.
    MakeParentFolders(SettingsPath());
    WriteIniValue(SettingsPath(), "a", "a", folder);
}

void MusicClient::SearchSongs() {
    Text keyword = runtime_.Controls().GetText(names::SearchBox);
    if (keyword.empty()) {
        runtime_.ShowMessage(EmptyKeywordMessage, MessageInformation);
        return;
    }
    if (commands_.searchSongs) commands_.searchSongs(keyword);
}

void MusicClient::OnSearchFocus() {
    runtime_.Controls().SetText(names::SearchBox, "");
}

void MusicClient::OnSearchKey(int keyCode) {
    if (keyCode == KeyEnter) SearchSongs();
}

void MusicClient::OnHighQualityClick() {
    runtime_.ShowMessage(QualityMessage, MessageInformation);
}

void MusicClient::OnListLeftClick() {
    ReportList& list = runtime_.SongList();
    const ReportList::RowRef row = list.SelectedRowRef();
    auto resolve = commands_.resolveSongAddress;
    const bool started = runtime_.StartWorker([resolve, row](std::stop_token stop) {
        if (resolve) resolve(row, stop);
    });
    if (!started) list.SetCell(row, column::Status, status::ResolveFailed);
}

void MusicClient::StartDownload() {
    ReportList& list = runtime_.SongList();
    const ReportList::RowRef row = list.SelectedRowRef();
    auto download = commands_.downloadSong;
    const bool started = runtime_.StartWorker([download, row](std::stop_token stop) {
        if (download) download(row, stop);
    });
    if (!started) list.SetCell(row, column::Status, status::DownloadFailed);
}

void MusicClient::OnListRightClick() {
    auto run = [](const std::function<void()>& hook) {
        return [hook] {
            if (hook) hook();
        };
    };
    std::vector<MenuItem> items;
    items.push_back({Text(MenuLabels[0]), run(commands_.openPreview)});
    items.push_back({Text(MenuLabels[1]), [this] { StartDownload(); }});
    items.push_back({Text(MenuLabels[2]), run(commands_.copySongAddress)});
    items.push_back({Text(MenuLabels[3]), run(commands_.locateSongFile)});
    items.push_back({Text(), {}});
    items.push_back({Text(MenuLabels[5]), [this] { ChangeSaveDirectory(); }});
    runtime_.ShowPopupMenu(std::move(items));
}

void MusicClient::Exit() {
    saveDirectory_.Set("");
}

}  // namespace quillet
