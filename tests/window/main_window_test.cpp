#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <mutex>

#include "app/song_list.h"
#include "app/texts.h"
#include "runtime/file_ops.h"
#include "runtime/qt/gbk_qt.h"
#include "tests/window/window_fixture.h"

namespace quillet {
namespace {

using testing_support::DeliverPosted;

using testing_support::ReadFileBytes;
using testing_support::WindowTest;
using namespace Qt::Literals::StringLiterals;

using MainWindowTest = WindowTest;

struct ControlCase {
    const char16_t* name;
    const char* kind;
    QRect geometry;
    const char16_t* text;
};

TEST_F(MainWindowTest, CaptionSizeAndEveryControl) {
    QWidget* window = OpenMain();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), u"Quillet音乐V2.3");
    EXPECT_EQ(window->size(), QSize(644, 369));  // client area of the 650 × 397 frame
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);

    const ControlCase controls[] = {
        {u"超级列表框1", "QTableView", {5, 5, 635, 299}, nullptr},
        {u"单选框1", "QRadioButton", {453, 13, 12, 12}, u"标准"},
        {u"单选框2", "QRadioButton", {499, 13, 12, 12}, u"高品"},
        {u"透明标签2", "QLabel", {14, 321, 80, 24}, u"下载保存目录："},
        {u"编辑框_保存", "QLineEdit", {102, 320, 144, 25}, nullptr},
        {u"透明标签1", "QLabel", {258, 321, 90, 24}, u"输入歌曲/歌手："},
        {u"编辑框_搜索", "QLineEdit", {345, 320, 168, 25}, u"让我们一起微笑吧"},
        {u"按钮_搜索", "QPushButton", {526, 319, 106, 28}, u"搜索"},
    };
    for (const ControlCase& c : controls) {
        SCOPED_TRACE(QString::fromUtf16(c.name).toStdString());
        QWidget* control = Find<QWidget>(QString::fromUtf16(c.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), c.kind);
        EXPECT_EQ(control->geometry(), c.geometry);
        if (!c.text) continue;
        QString text = QString::fromUtf16(c.text);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            EXPECT_EQ(label->text(), text);
        }
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            EXPECT_EQ(edit->text(), text);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            EXPECT_EQ(button->text(), text);
        }
    }

    auto* standard = Find<QRadioButton>(u"单选框1"_s);
    auto* high = Find<QRadioButton>(u"单选框2"_s);
    EXPECT_TRUE(standard->isChecked());
    EXPECT_FALSE(high->isChecked());
    EXPECT_TRUE(runtime_.Controls().IsChecked("单选框1"));
    auto* saveBox = Find<QLineEdit>(u"编辑框_保存"_s);
    EXPECT_TRUE(saveBox->isReadOnly());
    EXPECT_EQ(saveBox->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(Find<QLineEdit>(u"编辑框_搜索"_s)->alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    auto* button = Find<QPushButton>(u"按钮_搜索"_s);
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
    // The radio buttons lie above the list (later siblings paint on top).
    QList<QObject*> children = window->children();
    EXPECT_GT(children.indexOf(high), children.indexOf(Find<QTableView>(u"超级列表框1"_s)));
}

TEST_F(MainWindowTest, SongListColumnsAndSettings) {
    OpenMain();
    auto* view = Find<QTableView>(u"超级列表框1"_s);
    ASSERT_NE(view, nullptr);
    const std::pair<const char16_t*, int> columns[] = {
        {u"id", 35}, {u"歌曲名称", 150},        {u"歌手", 100},     {u"专辑", 150},
        {u"rid", 0}, {u"    标准   高品", 120}, {u"artist_pic", 0}, {u"大小", 55}};
    ASSERT_EQ(view->model()->columnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal).toString(),
                  QString::fromUtf16(columns[c].first));
        EXPECT_EQ(view->isColumnHidden(c), columns[c].second == 0) << c;
        if (columns[c].second) {
            EXPECT_EQ(view->columnWidth(c), columns[c].second) << c;
        }
    }
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(view->isSortingEnabled());
    EXPECT_FALSE(view->horizontalHeader()->sectionsMovable());
    // The selection shows only while the list has the focus.
    view->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view->window()));
    Find<QPushButton>(u"按钮_搜索"_s)->setFocus();
    EXPECT_EQ(view->palette().color(QPalette::Highlight), view->palette().color(QPalette::Base));
    view->setFocus();
    EXPECT_NE(view->palette().color(QPalette::Highlight), view->palette().color(QPalette::Base));
    Find<QLineEdit>(u"编辑框_搜索"_s)->setFocus();
    EXPECT_EQ(view->palette().color(QPalette::Highlight), view->palette().color(QPalette::Base));

    // A header click sorts nothing.
    ReportList& list = runtime_.SongList();
    for (const char* name : {"b", "a", "c"}) list.SetCell(list.AppendRow(), 1, name);
    DeliverPosted();
    QHeaderView* header = view->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    DeliverPosted();
    EXPECT_EQ(view->model()->data(view->model()->index(0, 1)).toString(), u"b"_s);
    EXPECT_EQ(list.Cell(0, 1), "b");
}

TEST_F(MainWindowTest, FirstStartShowsTheDesktopFolder) {
    QWidget* window = OpenMain();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    DeliverPosted();
    EXPECT_EQ(Find<QLineEdit>(u"编辑框_搜索"_s)->text(), u"让我们一起微笑吧"_s);
    Text desktop = runtime_.DesktopFolder();
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ(desktop.back(), '/');
    EXPECT_EQ(Find<QLineEdit>(u"编辑框_保存"_s)->text(), GbkToQString(desktop));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("yyst.ini")));
}

TEST_F(MainWindowTest, FocusClearsSearchBoxAndEnterSearches) {
    std::vector<Text> searched;
    client_.Hooks().searchSongs = [&](const Text& keyword) { searched.push_back(keyword); };
    QWidget* window = OpenMain();
    auto* search = Find<QLineEdit>(u"编辑框_搜索"_s);
    window->activateWindow();
    search->setFocus(Qt::MouseFocusReason);
    DeliverPosted();
    EXPECT_EQ(search->text(), u""_s);

    QTest::keyClick(search, Qt::Key_Return);
    DeliverPosted();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, u"你要听什么歌尽管跟我说=^_^= "_s);
    EXPECT_EQ(messages_[0].flags, MessageInformation);

    QTest::keyClicks(search, QStringLiteral("abc"));
    EXPECT_EQ(search->text(), u"abc"_s);  // other keys are typed as usual
    for (Qt::KeyboardModifiers held :
         {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::AltModifier)}) {
        QTest::keyClick(search, Qt::Key_Return, held);
    }
    QTest::keyClick(search, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::mouseClick(Find<QPushButton>(u"按钮_搜索"_s), Qt::LeftButton);
    EXPECT_EQ(searched, std::vector<Text>(5, "abc"));

    // Coming back to the box empties it again.
    Find<QTableView>(u"超级列表框1"_s)->setFocus();
    search->setFocus(Qt::TabFocusReason);
    DeliverPosted();
    EXPECT_EQ(search->text(), u""_s);
}

TEST_F(MainWindowTest, QualityMessageOnEveryHighQualityClickOnly) {
    OpenMain();
    auto* standard = Find<QRadioButton>(u"单选框1"_s);
    auto* high = Find<QRadioButton>(u"单选框2"_s);
    QTest::mouseClick(high, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_TRUE(high->isChecked());
    EXPECT_FALSE(standard->isChecked());
    EXPECT_FALSE(runtime_.Controls().IsChecked("单选框1"));
    QTest::mouseClick(high, Qt::LeftButton, {}, QPoint(6, 6));  // already checked
    QTest::mouseClick(standard, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_TRUE(standard->isChecked());
    EXPECT_TRUE(runtime_.Controls().IsChecked("单选框1"));
    ASSERT_EQ(messages_.size(), 2u);
    for (const auto& message : messages_) {
        EXPECT_EQ(message.text, u"切换音质，并不需要重新搜索歌曲，直接重新召唤地址即可。"_s);
        EXPECT_EQ(message.flags, MessageInformation);
    }
}

TEST_F(MainWindowTest, MenuItemsAndChangeFolder) {
    OpenMain();
    auto* view = Find<QTableView>(u"超级列表框1"_s);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, QPoint(50, 50));  // empty list
    QMenu* menu = runtime_.OpenMenu();
    ASSERT_NE(menu, nullptr);
    QStringList labels;
    for (QAction* action : menu->actions()) {
        labels << (action->isSeparator() ? u"-"_s : action->text());
        EXPECT_TRUE(action->isEnabled());
        EXPECT_FALSE(action->isCheckable());
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
    EXPECT_EQ(labels, (QStringList{u"试听歌曲"_s, u"下载歌曲"_s, u"复制歌曲地址"_s,
                                   u"定位歌曲文件"_s, u"-"_s, u"更改保存目录"_s}));

    folderAnswers_.push_back(QString::fromStdString(dir_.File("music/")));
    const QString current = GbkToQString(client_.SaveDirectory());
    ASSERT_FALSE(current.isEmpty());
    menu->actions().last()->trigger();
    ASSERT_EQ(folderTitles_.size(), 1u);
    EXPECT_EQ(folderTitles_[0], u"请选择要保存的文件夹"_s);
    EXPECT_EQ(folderStarts_[0], current);  // opens at the folder in use
    // The dialog's answer loses its trailing "/".
    EXPECT_EQ(client_.SaveDirectory(), dir_.File("music"));
    EXPECT_EQ(Find<QLineEdit>(u"编辑框_保存"_s)->text().toStdString(), dir_.File("music"));
    EXPECT_EQ(ReadFileBytes(dir_.File("yyst.ini")), "[a]\r\na=" + dir_.File("music") + "\r\n");
    menu->close();
}

TEST_F(MainWindowTest, ClicksSelectTheRowFirst) {
    OpenMain();
    ReportList& list = runtime_.SongList();
    for (int i = 0; i < 3; ++i) list.AppendRow();
    DeliverPosted();
    std::vector<int> seen;
    runtime_.SetEventHandler("超级列表框1", ControlEvent::LeftClick,
                             [&](int) { seen.push_back(list.SelectedRow()); });
    auto* view = Find<QTableView>(u"超级列表框1"_s);
    QRect second = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(10, view->viewport()->height() - 3));
    EXPECT_EQ(seen, (std::vector<int>{1, -1}));
}

TEST_F(MainWindowTest, KeyboardReachesTheListsCommands) {
    std::vector<int> resolved;
    std::mutex resolvedMutex;
    client_.Hooks().resolveSongAddress = [&](const ReportList::RowRef& row, std::stop_token) {
        std::lock_guard lock(resolvedMutex);
        resolved.push_back(row.row);
    };
    QWidget* window = OpenMain();
    ReportList& list = runtime_.SongList();
    for (int i = 0; i < 3; ++i) list.AppendRow();
    DeliverPosted();
    auto* view = Find<QTableView>(u"超级列表框1"_s);
    window->activateWindow();
    view->setFocus(Qt::TabFocusReason);
    view->setCurrentIndex(view->model()->index(0, 0));

    // The arrows move the selection; Enter resolves that row on a worker, as a left click.
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(runtime_.Workers().WaitUntilIdle(std::chrono::seconds(10)));
    EXPECT_EQ(resolved, (std::vector<int>{1, 1}));
    EXPECT_EQ(list.SelectedRow(), 1);

    // The menu key and Shift+F10 open the popup menu at the selected row, not at the cursor,
    // with its first item active so Enter chooses it.
    const QRect row = view->visualRect(view->model()->index(1, 0));
    for (auto [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers()},
          std::pair{Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)}}) {
        QCursor::setPos(window->mapToGlobal(QPoint(600, 340)));
        QTest::keyClick(view, key, modifiers);
        QMenu* menu = runtime_.OpenMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->parentWidget(), window);
        EXPECT_TRUE(
            QRect(view->viewport()->mapToGlobal(row.topLeft()), row.size()).contains(menu->pos()))
            << menu->pos().x() << "," << menu->pos().y();
        ASSERT_NE(menu->activeAction(), nullptr);
        EXPECT_EQ(menu->activeAction()->text(), u"试听歌曲"_s);
        menu->close();
        DeliverPosted();
    }

    // Tab leaves the list for the next control instead of moving within it.
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_FALSE(view->hasFocus());
    EXPECT_EQ(list.SelectedRow(), 1);
}

TEST_F(MainWindowTest, TabVisitsEveryControlInOrder) {
    QWidget* window = OpenMain();
    window->activateWindow();
    auto* view = Find<QTableView>(u"超级列表框1"_s);
    view->setFocus(Qt::TabFocusReason);
    QStringList visited;
    QWidget* focus = view;
    for (int i = 0; i < 5; ++i) {
        visited << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
        focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
    }
    EXPECT_EQ(focus, view);  // round again
    // One stop for the quality pair (the arrows move between them).
    EXPECT_EQ(visited, (QStringList{u"超级列表框1"_s, u"单选框1"_s, u"编辑框_保存"_s,
                                    u"编辑框_搜索"_s, u"按钮_搜索"_s}));
}

TEST_F(MainWindowTest, QualityButtonsHoldTheirWholeIndicator) {
    OpenMain();
    for (const QString& name : {u"单选框1"_s, u"单选框2"_s}) {
        auto* radio = Find<QRadioButton>(name);
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->size(), QSize(12, 12));
        QStyleOptionButton option;
        option.initFrom(radio);
        const QRect indicator =
            radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
        EXPECT_TRUE(radio->rect().contains(indicator))
            << indicator.x() << "," << indicator.y() << " " << indicator.width() << "x"
            << indicator.height();
    }
}

TEST_F(MainWindowTest, EscapeEndsTheRunWithZero) {
    ASSERT_TRUE(client_.Show());
    QTimer::singleShot(0, [this] {
        QWidget* window = runtime_.Window("MainWindow");
        ASSERT_NE(window, nullptr);
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        // Pressed in the search box, the key still closes the window.
        QTest::keyClick(window->findChild<QLineEdit*>(u"编辑框_搜索"_s), Qt::Key_Escape);
    });
    // Should Escape not close it, the loop still ends, with another code, so nothing hangs.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    EXPECT_EQ(runtime_.Run(), 0);
    EXPECT_EQ(runtime_.Window("MainWindow"), nullptr);  // closed and gone
}

TEST(MainWindowRender, SavesPictureUnderBuildFolder) {
    // Renders the main window with a few rows to main_window.png beside this test program,
    // so that anyone can look at it: build/tests/main_window.png.
    QtRuntime runtime(column::Count);
    runtime.SetMessageBoxHandler([](const QString&, int) {});
    MusicClient client(runtime);
    client.BindMainWindow();
    ASSERT_TRUE(runtime.LoadWindow(MainWindowSpec));
    ReportList& list = runtime.SongList();
    const char* rows[][4] = {{"1", "夏日晴天", "林一", "四季"},
                             {"2", "让我们一起微笑吧", "微笑乐队", "微笑专辑"},
                             {"3", "微笑的海", "微笑乐队", "海边"}};
    for (const auto& row : rows) {
        int r = list.AppendRow();
        for (int c = 0; c < 4; ++c) list.SetCell(r, c, row[c]);
        list.SetCell(r, column::Status, StatusListed);
    }
    list.SetCell(1, column::Status, "http://example.invalid/song.mp3");
    list.SetCell(1, column::Size, "4.12MB");
    DeliverPosted();
    QImage image = runtime.Window("MainWindow")->grab().toImage();
    EXPECT_EQ(image.size(), QSize(644, 369) * image.devicePixelRatio());
    std::string path = RunDirectory() + "/main_window.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quillet
