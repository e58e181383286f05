#pragma once

// What the program's commands ask of the window system, as one interface: a window runtime
// over Qt and a headless one (controls in memory, messages to standard error) both give it.
// Texts are GBK. Control values and list cells may be read and written from any thread;
// everything else belongs to the GUI thread.

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "runtime/control_values.h"
#include "runtime/report_list.h"
#include "runtime/worker_group.h"
#include "text/text_types.h"

namespace quillet {

/// Message box flags: an OK button with the information or the error icon.
inline constexpr int MessageInformation = 64;
inline constexpr int MessageError = 16;

/// The events a window's controls report; KeyPressed passes the key code, the others 0.
enum class ControlEvent { Created, FocusGained, KeyPressed, Clicked, LeftClick, RightClick };

/// Key codes passed with KeyPressed (the codes of the classic virtual keys).
inline constexpr int KeyEnter = 13;
inline constexpr int KeyEscape = 27;

/// A column of the report list: its header text and its width in pixels (0 hides it).
struct ListColumn {
    std::string_view header = {};
    int width = 0;
};

/// A window as its presenter describes it.
struct WindowSpec {
    /// The top widget's object name, and the name its form is registered under
    /// (runtime/qt/window_forms.h).
    std::string_view name = {};
    /// The window that owns it: it opens only while that one is open and closes with it.
    /// Empty for the main window, whose closing ends the program.
    std::string_view owner = {};
    std::string_view listControl = {};  ///< the control that shows the report list, if any
    std::span<const ListColumn> listColumns = {};
    int progressColumn = -1;  ///< the list column that draws a row's progress behind its text
    int markColumn = -1;      ///< the list column that shows a marked row's icon
};

/// One item of a popup menu; an empty label makes a separator.
struct MenuItem {
    Text label;
    std::function<void()> handler;
};

class Runtime {
  public:
    virtual ~Runtime() = default;

    /// Shows a window from its stored description; a window that is open already is only
    /// raised, restored if minimised. False when it cannot be.
    virtual bool LoadWindow(const WindowSpec& window) = 0;
    /// Runs `handler` on the GUI thread whenever `control` (or the window of that name)
    /// reports `event`; a later call for the same pair replaces the handler.
    virtual void SetEventHandler(std::string_view control, ControlEvent event,
                                 std::function<void(int)> handler) = 0;
    virtual void SetCaption(std::string_view window, std::string_view caption) = 0;
    /// Shows a picture box's picture from image bytes; bytes of no known format show none.
    virtual void SetPicture(std::string_view control, std::string_view bytes) = 0;
    /// Decodes image bytes on the calling thread (any thread) and gives what shows them in
    /// `control` as SetPicture would; the returned task runs on the GUI thread only.
    virtual std::function<void()> PreparePicture(std::string_view control,
                                                 std::string_view bytes) = 0;
    /// Points a browser box at an address (a file path or a URL), which it then loads.
    virtual void SetBrowserAddress(std::string_view control, std::string_view address) = 0;
    /// Shows a popup menu owned by the main window, with its top-left corner at the mouse
    /// cursor, or at the selected row of the list when the keyboard asked for it; returns at
    /// once, the chosen item's handler runs later on the GUI thread.
    virtual void ShowPopupMenu(std::vector<MenuItem> items) = 0;

    /// Edit box texts and radio button states, by control name.
    virtual ControlValues& Controls() = 0;
    /// The report list, shown by the control a window's description names.
    virtual ReportList& SongList() = 0;

    /// A message box titled "信息：" with an OK button, owned by the main window, blocking the
    /// program's windows until it is answered.
    virtual void ShowMessage(std::string_view text, int flags) = 0;
    /// The folder dialog, opened at `startFolder` when it is given: the chosen folder without a
    /// trailing "/" (but "/"), empty on cancel.
    virtual Text ChooseFolder(std::string_view title, std::string_view startFolder = {}) = 0;
    /// The user's desktop folder ending in "/", empty when there is none.
    virtual Text DesktopFolder() = 0;
    /// Replaces the clipboard's content with a text.
    virtual void SetClipboardText(std::string_view text) = 0;
    /// Runs `task` on the GUI thread later; from any thread. A task still queued when the
    /// runtime ends is dropped.
    virtual void RunOnGuiThread(std::function<void()> task) = 0;
    /// Handles every event waiting for the calling thread (nothing on other threads).
    virtual void DispatchPendingMessages() = 0;
    /// The threads the commands run on.
    virtual WorkerGroup& Workers() = 0;
    /// Runs `routine` on a worker of the group; false when no thread could be started, and
    /// the caller then ends its command as a failed one.
    bool StartWorker(WorkerGroup::Routine routine) { return Workers().Start(std::move(routine)); }
    /// The folder of the program, where its settings live (no trailing "/").
    virtual Text RunDirectory() = 0;
};

}  // namespace quillet
