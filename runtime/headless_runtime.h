#pragma once

// The runtime without a display: controls and the list held in memory, message texts written
// to standard error as UTF-8, the folder dialog answered from a queue. Used by the tests and
// by the command-line front end.

#include <deque>
#include <map>
#include <mutex>
#include <ostream>
#include <vector>

#include "runtime/runtime.h"

namespace quillet {

class HeadlessRuntime : public Runtime {
  public:
    struct Message {
        Text text;
        int flags = 0;
    };

    /// `runDirectory` and `desktopFolder` are GBK; `messageStream` may be null; the report
    /// list has `listColumns` columns.
    HeadlessRuntime(Text runDirectory, Text desktopFolder, std::ostream* messageStream,
                    int listColumns);

    bool LoadWindow(const WindowSpec& window) override;
    void SetEventHandler(std::string_view control, ControlEvent event,
                         std::function<void(int)> handler) override;
    void SetCaption(std::string_view window, std::string_view caption) override;
    void SetPicture(std::string_view control, std::string_view bytes) override;
    std::function<void()> PreparePicture(std::string_view control, std::string_view bytes) override;
    void SetBrowserAddress(std::string_view control, std::string_view address) override;
    void ShowPopupMenu(std::vector<MenuItem> items) override;
    ControlValues& Controls() override { return controls_; }
    ReportList& SongList() override { return list_; }
    void ShowMessage(std::string_view text, int flags) override;
    Text ChooseFolder(std::string_view title, std::string_view startFolder = {}) override;
    Text DesktopFolder() override { return desktop_; }
    void SetClipboardText(std::string_view text) override;
    /// Without an event loop the task runs at once, on the calling thread.
    void RunOnGuiThread(std::function<void()> task) override { task(); }
    void DispatchPendingMessages() override {}
    WorkerGroup& Workers() override { return workers_; }
    Text RunDirectory() override { return runDirectory_; }

    /// The next answer of the folder dialog (empty: a cancel). Without one queued the
    /// dialog is cancelled.
    void QueueFolderAnswer(std::string_view folder);
    std::vector<Message> Messages() const;
    std::vector<Text> FolderDialogTitles() const;
    Text ClipboardText() const;

    /// Reports an event as the control would; false when no handler is set.
    bool Fire(std::string_view control, ControlEvent event, int argument = 0);
    /// Windows loaded so far, in order, and the last caption, picture and address set.
    std::vector<Text> LoadedWindows() const;
    Text Caption(std::string_view window) const;
    Bytes Picture(std::string_view control) const;
    Text BrowserAddress(std::string_view control) const;
    /// The items of the menu shown last; empty when none was shown.
    std::vector<MenuItem> LastMenu() const;

  private:
    Text runDirectory_;
    Text desktop_;
    std::ostream* messageStream_;
    ControlValues controls_;
    ReportList list_;
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    std::deque<Text> folderAnswers_;
    std::vector<Text> folderTitles_;
    Text clipboard_;
    std::map<std::pair<std::string, ControlEvent>, std::function<void(int)>> handlers_;
    std::vector<Text> loadedWindows_;
    std::map<std::string, Text, std::less<>> captions_, pictures_, addresses_;
    std::vector<MenuItem> lastMenu_;
    // Last, so that its workers stop before the state they use goes.
    WorkerGroup workers_;
};

}  // namespace quillet
