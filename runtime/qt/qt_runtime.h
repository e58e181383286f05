#pragma once

// The runtime over Qt Widgets: windows loaded from the .ui descriptions compiled into the
// program, control values mirrored into a store any thread may use, the song list shown
// through a model, and seams for the two dialogs so tests can answer them.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "runtime/runtime.h"

#include <QMenu>
#include <QPoint>
#include <QWidget>
#include <optional>
class QFileDialog;
class QKeyEvent;
class QMessageBox;
class QTableView;

namespace quillet {

class QtRuntime : public QObject, public Runtime {
    Q_OBJECT
  public:
    /// Shows a message box; tests put a recorder here so that nothing modal ever blocks.
    using MessageBoxHandler = std::function<void(const QString& text, int flags)>;
    /// Shows the folder dialog opened at `startFolder` (empty: wherever the dialog likes) and
    /// yields the chosen folder, empty on cancel.
    using FolderDialogHandler =
        std::function<QString(const QString& title, const QString& startFolder)>;

    /// Needs a QApplication; the GUI thread is the one that makes the runtime. The report
    /// list has `listColumns` columns.
    explicit QtRuntime(int listColumns);
    ~QtRuntime() override;

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
    Text DesktopFolder() override;
    void SetClipboardText(std::string_view text) override;
    void RunOnGuiThread(std::function<void()> task) override;
    void DispatchPendingMessages() override;
    WorkerGroup& Workers() override { return workers_; }
    Text RunDirectory() override;

    /// Handles events until the main window (loaded before) is closed; yields the exit code
    /// 0, or 1 when no main window is open.
    int Run();

    void SetMessageBoxHandler(MessageBoxHandler handler) { messageBox_ = std::move(handler); }
    void SetFolderDialogHandler(FolderDialogHandler handler) { folderDialog_ = std::move(handler); }
    /// Where the program's settings live (the program's folder unless a test says otherwise).
    void SetRunDirectory(Text folder) { runDirectory_ = std::move(folder); }

    /// A loaded window by its name, null before it is loaded or after it is closed.
    QWidget* Window(std::string_view window) const;
    /// The popup menu shown last, while it is open.
    QMenu* OpenMenu() const { return menu_; }

    /// The default dialogs, owned by `parent` (the main window) so that they are placed over
    /// it.
    static void ShowMessageBox(const QString& text, int flags, QWidget* parent);
    static QString ShowFolderDialog(const QString& title, const QString& startFolder,
                                    QWidget* parent);
    /// The dialogs those two show, made but not shown.
    static std::unique_ptr<QMessageBox> MakeMessageBox(const QString& text, int flags,
                                                       QWidget* parent = nullptr);
    static std::unique_ptr<QFileDialog> MakeFolderDialog(const QString& title,
                                                         const QString& startFolder = {},
                                                         QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetUpWindow(QWidget* window);
    void SetUpList(QTableView* view, const WindowSpec& description);
    QWidget* FindControl(std::string_view control) const;
    bool IsWindow(const QObject* object) const;
    void MirrorControls(QWidget* window);
    void ApplyControlValue(ControlValues::Kind kind, const std::string& control);
    void Fire(const std::string& control, ControlEvent event, int argument);
    void OnListClick(QTableView* view, QEvent* event);
    /// Keys of the list: Enter acts as a left click on the current row, the menu key and
    /// Shift+F10 as a right click with the menu at that row. True when the key is taken.
    bool OnListKey(QTableView* view, const QKeyEvent* key);
    void OpenListMenuAtRow(QTableView* view);
    static void ShowSelection(QTableView* view, bool shown);

    ControlValues controls_;
    ReportList list_;
    std::map<std::pair<std::string, ControlEvent>, std::function<void(int)>> handlers_;
    std::map<std::string, QPointer<QWidget>, std::less<>> windows_;
    QPointer<QWidget> mainWindow_;
    QPointer<QMenu> menu_;
    /// Where the next popup menu opens, when the keyboard asked for it; else at the cursor.
    std::optional<QPoint> menuPosition_;
    MessageBoxHandler messageBox_;
    FolderDialogHandler folderDialog_;
    Text runDirectory_;
    WorkerGroup workers_;
};

}  // namespace quillet
