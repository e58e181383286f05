#include "runtime/qt/qt_runtime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include "runtime/file_ops.h"
#include "runtime/program_folders.h"
#include "runtime/qt/gbk_qt.h"
#include "runtime/qt/picture_box.h"
#include "runtime/qt/player_box.h"
#include "runtime/qt/progress_delegate.h"
#include "runtime/qt/report_list_model.h"
#include "runtime/qt/window_forms.h"

namespace quillet {
namespace {

std::string NameOf(const QObject* object) {
    return QStringToGbk(object->objectName());
}

int KeyCodeOf(const QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return KeyEnter;
        case Qt::Key_Escape:
            return KeyEscape;
        default:
            break;
    }
    int k = key->key();
    if ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z) ||
        k == Qt::Key_Space) {
        return k;  // the same codes as the classic virtual keys
    }
    return 0;
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace

QtRuntime::QtRuntime(int listColumns)
    : list_(listColumns),
      messageBox_(
          [this](const QString& text, int flags) { ShowMessageBox(text, flags, mainWindow_); }),
      folderDialog_([this](const QString& title, const QString& startFolder) {
          return ShowFolderDialog(title, startFolder, mainWindow_);
      }),
      runDirectory_(quillet::RunDirectory()) {
    controls_.SetObserver([this](ControlValues::Kind kind, const std::string& control) {
        if (QThread::currentThread() == thread()) {
            ApplyControlValue(kind, control);
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, kind, control] { ApplyControlValue(kind, control); },
            Qt::QueuedConnection);
    });
}

QtRuntime::~QtRuntime() {
    // Workers may still write values and cells: they stop before the windows go.
    workers_.RequestStopAndWait();
    controls_.SetObserver({});
    for (auto& [name, window] : windows_) {
        if (window != mainWindow_) delete window;
    }
    delete mainWindow_;
}

QWidget* QtRuntime::Window(std::string_view window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second.data();
}

bool QtRuntime::LoadWindow(const WindowSpec& description) {
    if (QWidget* open = Window(description.name)) {
        open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
        open->show();
        open->raise();
        open->activateWindow();
        return true;
    }
    QWidget* owner = nullptr;
    if (!description.owner.empty()) {
        owner = Window(description.owner);
        if (!owner) return false;
    }
    QWidget* widget = BuildWindowForm(description.name, owner);
    if (!widget) return false;
    windows_[std::string(description.name)] = widget;
    if (!owner) mainWindow_ = widget;
    SetUpWindow(widget);
    if (owner) {
        // A dialog-type window is made transient for its owner (WM_TRANSIENT_FOR on X11, the
        // parent toplevel on Wayland), so the window manager keeps it above its owner.
        widget->setWindowFlags((widget->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    }
    if (!description.listControl.empty()) {
        if (auto* view = widget->findChild<QTableView*>(GbkToQString(description.listControl))) {
            SetUpList(view, description);
        }
    }
    Fire(std::string(description.name), ControlEvent::Created, 0);
    widget->show();
    CentreOnScreen(widget);
    widget->raise();
    widget->activateWindow();
    return true;
}

void QtRuntime::SetUpWindow(QWidget* window) {
    // A fixed frame with minimise and close buttons and no maximise button.
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(window->size());
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Escape closes the window: the controls leave the key unhandled, so it reaches the
    // window itself (and never another window, as a shortcut of the owner could).
    window->installEventFilter(this);
    MirrorControls(window);
    // A placeholder marked "playerBox" in the description gets its player with the window.
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->property("playerBox").toBool()) MakePlayerBox(child);
    }
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) edit->installEventFilter(this);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { Fire(NameOf(button), ControlEvent::Clicked, 0); });
    }
}

void QtRuntime::SetUpList(QTableView* view, const WindowSpec& description) {
    const std::span<const ListColumn> columns = description.listColumns;
    QStringList headers;
    for (const ListColumn& column : columns) headers << GbkToQString(column.header);
    auto* model = new ReportListModel(list_, headers, view);
    view->setModel(model);
    if (description.markColumn >= 0) {
        // The mark comes from the icon theme, whose first lookup is not worth delaying the
        // window for: it is set at the first turn of the event loop, before a row is marked.
        QTimer::singleShot(0, model, [model, view, column = description.markColumn] {
            model->SetMarkDecoration(column,
                                     view->style()->standardIcon(QStyle::SP_DialogApplyButton));
        });
    }
    if (description.progressColumn >= 0) {
        view->setItemDelegateForColumn(
            description.progressColumn,
            new ProgressDelegate(ReportListModel::ProgressRole, QColor(0x9c, 0xd0, 0xf4), view));
    }
    // Black text on white; the selection shows only while the list has the focus.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    view->setPalette(palette);
    ShowSelection(view, false);
    view->installEventFilter(this);
    // Tab moves on to the next control; the arrow keys move within the list.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    QHeaderView* header = view->horizontalHeader();
    header->setSectionsClickable(true);  // pressed like buttons, sorting nothing
    header->setSortIndicatorShown(false);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Headers may line up with controls above them by their blanks, which needs blanks half
    // as wide as a Chinese character, as in a 12-pixel font whose Latin letters are
    // half-width (the header paints in the model's font role). Without that font, the default
    // one stands.
    QFont headerFont(QStringLiteral("WenQuanYi Micro Hei Mono"));
    headerFont.setPixelSize(12);
    if (QFontInfo(headerFont).family() == headerFont.family()) model->SetHeaderFont(headerFont);
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        const int width = columns[static_cast<std::size_t>(c)].width;
        if (width == 0) {
            view->setColumnHidden(c, true);
        } else {
            view->setColumnWidth(c, width);
        }
    }
    view->viewport()->installEventFilter(this);
    // The list takes the first focus, so edit boxes keep their prompts until visited.
    view->setFocus(Qt::OtherFocusReason);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                list_.SetSelectedRow(current.isValid() ? current.row() : -1);
            });
    connect(model, &ReportListModel::selectedRowChanged, view, [view](int row) {
        int shown = view->currentIndex().isValid() ? view->currentIndex().row() : -1;
        if (row == shown) return;
        if (row < 0) {
            view->clearSelection();
            view->setCurrentIndex({});
        } else {
            view->selectRow(row);
        }
    });
}

void QtRuntime::MirrorControls(QWidget* window) {
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        std::string name = NameOf(edit);
        controls_.MirrorText(name, QStringToGbk(edit->text()));
        connect(edit, &QLineEdit::textChanged, this, [this, name](const QString& text) {
            controls_.MirrorText(name, QStringToGbk(text));
        });
    }
    for (QRadioButton* radio : window->findChildren<QRadioButton*>()) {
        std::string name = NameOf(radio);
        controls_.MirrorChecked(name, radio->isChecked());
        connect(radio, &QRadioButton::toggled, this,
                [this, name](bool checked) { controls_.MirrorChecked(name, checked); });
    }
}

void QtRuntime::ApplyControlValue(ControlValues::Kind kind, const std::string& control) {
    for (auto& [windowName, window] : windows_) {
        if (!window) continue;
        QString name = GbkToQString(control);
        if (kind == ControlValues::Kind::TextValue) {
            if (auto* edit = window->findChild<QLineEdit*>(name)) {
                QString text = GbkToQString(controls_.GetText(control));
                if (edit->text() != text) edit->setText(text);
            }
        } else if (auto* radio = window->findChild<QRadioButton*>(name)) {
            radio->setChecked(controls_.IsChecked(control));
        }
    }
}

void QtRuntime::SetEventHandler(std::string_view control, ControlEvent event,
                                std::function<void(int)> handler) {
    handlers_[{std::string(control), event}] = std::move(handler);
}

void QtRuntime::Fire(const std::string& control, ControlEvent event, int argument) {
    auto it = handlers_.find({control, event});
    if (it == handlers_.end() || !it->second) return;
    std::function<void(int)> handler = it->second;  // the handler may replace itself
    handler(argument);
}

void QtRuntime::ShowSelection(QTableView* view, bool shown) {
    QPalette palette = view->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        if (shown) {
            palette.setColor(group, QPalette::Highlight,
                             QApplication::palette().color(QPalette::Active, QPalette::Highlight));
            palette.setColor(
                group, QPalette::HighlightedText,
                QApplication::palette().color(QPalette::Active, QPalette::HighlightedText));
        } else {
            palette.setColor(group, QPalette::Highlight, palette.color(QPalette::Base));
            palette.setColor(group, QPalette::HighlightedText, palette.color(QPalette::Text));
        }
    }
    view->setPalette(palette);
}

void QtRuntime::OnListClick(QTableView* view, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton) return;
    // The clicked row becomes the selected row before the handler runs; a click below the
    // last row selects none.
    view->setFocus(Qt::MouseFocusReason);
    QModelIndex index = view->indexAt(mouse->position().toPoint());
    if (index.isValid()) {
        view->selectRow(index.row());
        view->setCurrentIndex(index);
    } else {
        view->clearSelection();
        view->setCurrentIndex({});
    }
    list_.SetSelectedRow(index.isValid() ? index.row() : -1);
    Fire(NameOf(view),
         mouse->button() == Qt::LeftButton ? ControlEvent::LeftClick : ControlEvent::RightClick, 0);
}

void QtRuntime::OpenListMenuAtRow(QTableView* view) {
    // At the selected row's first shown cell, else at the list's top-left corner.
    QPoint local(0, 0);
    const QModelIndex current = view->currentIndex();
    if (current.isValid()) {
        for (int c = 0; c < view->model()->columnCount(); ++c) {
            if (view->isColumnHidden(c)) continue;
            local = view->visualRect(view->model()->index(current.row(), c)).center();
            break;
        }
    }
    list_.SetSelectedRow(current.isValid() ? current.row() : -1);
    menuPosition_ = view->viewport()->mapToGlobal(local);
    Fire(NameOf(view), ControlEvent::RightClick, 0);
    menuPosition_.reset();
}

bool QtRuntime::OnListKey(QTableView* view, const QKeyEvent* key) {
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool menu = key->key() == Qt::Key_Menu ||
                      (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
    if (menu) {
        OpenListMenuAtRow(view);
        return true;
    }
    if (!enter) return false;
    const QModelIndex current = view->currentIndex();
    if (!current.isValid()) return true;  // no row: nothing to act on, as a click below them
    view->selectRow(current.row());
    list_.SetSelectedRow(current.row());
    Fire(NameOf(view), ControlEvent::LeftClick, 0);
    return true;
}

bool QtRuntime::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainWindow_ && event->type() == QEvent::Close) {
        // Every other window closes with the main window, and the program ends with it.
        for (auto& [name, window] : windows_) {
            if (window && window != mainWindow_) window->close();
        }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && IsWindow(watched)) {
        static_cast<QWidget*>(watched)->close();
        return true;
    }
    if (auto* view = qobject_cast<QTableView*>(watched)) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            ShowSelection(view, event->type() == QEvent::FocusIn);
        } else if (event->type() == QEvent::KeyPress &&
                   OnListKey(view, static_cast<QKeyEvent*>(event))) {
            return true;
        } else if (event->type() == QEvent::ContextMenu &&
                   static_cast<QContextMenuEvent*>(event)->reason() ==
                       QContextMenuEvent::Keyboard) {
            OpenListMenuAtRow(view);
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* viewport = qobject_cast<QWidget*>(watched);
        if (viewport) {
            if (auto* view = qobject_cast<QTableView*>(viewport->parentWidget())) {
                OnListClick(view, event);
                return true;  // the selection is already made
            }
        }
    }
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
        if (event->type() == QEvent::FocusIn) {
            Fire(NameOf(edit), ControlEvent::FocusGained, 0);
        } else if (event->type() == QEvent::KeyPress) {
            Fire(NameOf(edit), ControlEvent::KeyPressed, KeyCodeOf(static_cast<QKeyEvent*>(event)));
        }
    }
    return QObject::eventFilter(watched, event);
}

void QtRuntime::SetCaption(std::string_view window, std::string_view caption) {
    if (QWidget* w = Window(window)) w->setWindowTitle(GbkToQString(caption));
}

QWidget* QtRuntime::FindControl(std::string_view control) const {
    const QString name = GbkToQString(control);
    for (const auto& [windowName, window] : windows_) {
        if (!window) continue;
        if (auto* widget = window->findChild<QWidget*>(name)) return widget;
    }
    return nullptr;
}

bool QtRuntime::IsWindow(const QObject* object) const {
    for (const auto& [name, window] : windows_) {
        if (window && window == object) return true;
    }
    return false;
}

void QtRuntime::SetPicture(std::string_view control, std::string_view bytes) {
    SetPictureBytes(qobject_cast<QLabel*>(FindControl(control)), bytes);
}

std::function<void()> QtRuntime::PreparePicture(std::string_view control, std::string_view bytes) {
    return [this, name = std::string(control), picture = PreparePictureBytes(bytes)] {
        ShowPreparedPicture(qobject_cast<QLabel*>(FindControl(name)), picture);
    };
}

void QtRuntime::SetBrowserAddress(std::string_view control, std::string_view address) {
    if (QWidget* placeholder = FindControl(control)) {
        NavigatePlayerBox(placeholder, GbkToQString(address));
    }
}

void QtRuntime::ShowPopupMenu(std::vector<MenuItem> items) {
    if (menu_) menu_->close();
    auto* menu = new QMenu(mainWindow_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (MenuItem& item : items) {
        if (item.label.empty()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(GbkToQString(item.label));
        connect(action, &QAction::triggered, this, [handler = std::move(item.handler)] {
            if (handler) handler();
        });
    }
    menu_ = menu;
    if (menuPosition_) {
        // Opened from the keyboard: at the row, with its first item active for Enter.
        if (!menu->actions().isEmpty()) menu->setActiveAction(menu->actions().constFirst());
        menu->popup(*menuPosition_);
    } else {
        menu->popup(QCursor::pos());
    }
}

void QtRuntime::ShowMessage(std::string_view text, int flags) {
    QString message = GbkToQString(text);
    if (QThread::currentThread() == thread()) {
        messageBox_(message, flags);
        return;
    }
    // From a worker: shown by the GUI thread, without holding the worker up.
    QMetaObject::invokeMethod(
        this, [this, message, flags] { messageBox_(message, flags); }, Qt::QueuedConnection);
}

std::unique_ptr<QMessageBox> QtRuntime::MakeMessageBox(const QString& text, int flags,
                                                       QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(
        flags == MessageError ? QMessageBox::Critical : QMessageBox::Information,
        QStringLiteral("信息："), text, QMessageBox::Ok, parent);
    // Still blocking every window of the program, not only its owner.
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void QtRuntime::ShowMessageBox(const QString& text, int flags, QWidget* parent) {
    MakeMessageBox(text, flags, parent)->exec();
}

std::unique_ptr<QFileDialog> QtRuntime::MakeFolderDialog(const QString& title,
                                                         const QString& startFolder,
                                                         QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, title, startFolder);
    dialog->setFileMode(QFileDialog::Directory);
    // Our own dialog, so the path can always be typed into its edit field.
    dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}

QString QtRuntime::ShowFolderDialog(const QString& title, const QString& startFolder,
                                    QWidget* parent) {
    std::unique_ptr<QFileDialog> dialog = MakeFolderDialog(title, startFolder, parent);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().constFirst();
}

Text QtRuntime::ChooseFolder(std::string_view title, std::string_view startFolder) {
    QString folder = folderDialog_(GbkToQString(title), GbkToQString(startFolder));
    while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return QStringToGbk(folder);
}

Text QtRuntime::DesktopFolder() {
    return UserDesktopFolder();
}

void QtRuntime::SetClipboardText(std::string_view text) {
    QGuiApplication::clipboard()->setText(GbkToQString(text));
}

void QtRuntime::RunOnGuiThread(std::function<void()> task) {
    // Queued on the runtime: dropped with it when it goes first.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtRuntime::DispatchPendingMessages() {
    if (QThread::currentThread() == thread()) QCoreApplication::processEvents();
}

Text QtRuntime::RunDirectory() {
    return runDirectory_;
}

int QtRuntime::Run() {
    if (!mainWindow_) return 1;
    return QApplication::exec();  // 0 once the main window is closed
}

}  // namespace quillet
