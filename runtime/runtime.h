#pragma once

// What the program's commands ask of the window system, as one interface: a window runtime
// over Qt and a headless one (controls in memory, messages to standard error) both give it.
// Texts are GBK. Control values and list cells may be read and written from any thread;
// everything else belongs to the GUI thread.

#include <functional>
#include <string_view>

#include "runtime/control_values.h"
#include "runtime/report_list.h"
#include "text/text_types.h"

namespace quillet {

/// Message box flags: an OK button with the information or the error icon.
inline constexpr int MessageInformation = 64;
inline constexpr int MessageError = 16;

class Runtime {
  public:
    virtual ~Runtime() = default;

    /// Edit box texts and radio button states, by control name.
    virtual ControlValues& Controls() = 0;
    /// The report list 超级列表框1.
    virtual ReportList& SongList() = 0;

    /// A message box titled "信息：" with an OK button, owned by no window, blocking the
    /// program's windows until it is answered.
    virtual void ShowMessage(std::string_view text, int flags) = 0;
    /// The folder dialog: the chosen folder without a trailing "/" (but "/"), empty on cancel.
    virtual Text ChooseFolder(std::string_view title) = 0;
    /// The user's desktop folder ending in "/", empty when there is none.
    virtual Text DesktopFolder() = 0;
    /// Replaces the clipboard's content with a text.
    virtual void SetClipboardText(std::string_view text) = 0;
    /// Handles every event waiting for the calling thread (nothing on other threads).
    virtual void DispatchPendingMessages() = 0;
    /// Runs `routine` on a new thread that is neither kept nor waited for.
    virtual void StartWorker(std::function<void()> routine) = 0;
    /// The folder of the program, where its settings live (no trailing "/").
    virtual Text RunDirectory() = 0;
};

}  // namespace quillet
