#pragma once

// The runtime without a display: controls and the list held in memory, message texts written
// to standard error as UTF-8, the folder dialog answered from a queue. Used by the tests and
// by the command-line front end.

#include <deque>
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

    /// `runDirectory` and `desktopFolder` are GBK; `messageStream` may be null.
    HeadlessRuntime(Text runDirectory, Text desktopFolder, std::ostream* messageStream);

    ControlValues& Controls() override { return controls_; }
    ReportList& SongList() override { return list_; }
    void ShowMessage(std::string_view text, int flags) override;
    Text ChooseFolder(std::string_view title) override;
    Text DesktopFolder() override { return desktop_; }
    void SetClipboardText(std::string_view text) override;
    void DispatchPendingMessages() override {}
    void StartWorker(std::function<void()> routine) override;
    Text RunDirectory() override { return runDirectory_; }

    /// The next answer of the folder dialog (empty: a cancel). Without one queued the
    /// dialog is cancelled.
    void QueueFolderAnswer(std::string_view folder);
    std::vector<Message> Messages() const;
    std::vector<Text> FolderDialogTitles() const;
    Text ClipboardText() const;

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
};

}  // namespace quillet
