// The windows under a real X server with a window manager: a private Xvfb and openbox started
// for this program, the windows on Qt's xcb platform, input through XTEST (xdotool) and the
// stacking order read from the window manager (xprop).

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app/preview_window.h"
#include "runtime/qt/qt_runtime.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing_support::TempDir;

QString skipReason;  // why the display could not be started, when it could not
bool ManagerRunning();

// Runs a tool to its end while the caller's windows keep handling events.
QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) return {};
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished(1000);
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The client windows from bottom to top, as the window manager stacks them.
QList<WId> StackingOrder() {
    const QString out =
        RunTool(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<WId> windows;
    const qsizetype hash = out.indexOf(u'#');
    if (hash < 0) return windows;
    for (const QString& id : out.mid(hash + 1).split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const WId window = id.trimmed().toULongLong(&ok, 16);
        if (ok) windows.append(window);
    }
    return windows;
}

bool Above(QWidget* upper, QWidget* lower) {
    const QList<WId> order = StackingOrder();
    const qsizetype u = order.indexOf(upper->winId());
    const qsizetype l = order.indexOf(lower->winId());
    return u >= 0 && l >= 0 && u > l;
}

class WindowManagerTest : public ::testing::Test {
  protected:
    WindowManagerTest() : client_(runtime_) {
        runtime_.SetRunDirectory(dir_.Path().string());
        client_.BindMainWindow();
    }
    void SetUp() override {
        if (!skipReason.isEmpty()) GTEST_SKIP() << skipReason.toStdString();
    }

    TempDir dir_;
    QtRuntime runtime_{column::Count};
    MusicClient client_;
};

TEST_F(WindowManagerTest, PreviewStaysAboveTheMainWindowAndEscapeClosesIt) {
    ASSERT_TRUE(runtime_.LoadWindow(MainWindowSpec));
    QWidget* main = runtime_.Window("MainWindow");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main))
        << "window manager running: " << ManagerRunning();
    ASSERT_TRUE(runtime_.LoadWindow(PreviewWindowSpec));
    QWidget* preview = runtime_.Window("PreviewWindow");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    // Out of the way, so that the click lands on the main window itself.
    preview->move(0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Above(preview, main); }, 5000));

    const QPoint corner = main->mapToGlobal(QPoint(main->width() - 6, main->height() - 6));
    RunTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QString::number(corner.x()), QString::number(corner.y()),
             QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == main; }, 5000));
    EXPECT_TRUE(Above(preview, main));

    // Escape in the active preview window closes it and leaves the main window.
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                        QString::number(preview->winId())});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == preview; }, 5000));
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return runtime_.Window("PreviewWindow") == nullptr; }, 5000));
    EXPECT_NE(runtime_.Window("MainWindow"), nullptr);
}

TEST_F(WindowManagerTest, KeysLeaveTheListAndOpenItsMenuAtTheRow) {
    ASSERT_TRUE(runtime_.LoadWindow(MainWindowSpec));
    QWidget* main = runtime_.Window("MainWindow");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    for (int i = 0; i < 3; ++i) runtime_.SongList().AppendRow();
    auto* view = main->findChild<QTableView*>(QString::fromUtf16(u"超级列表框1"));
    ASSERT_NE(view, nullptr);
    RunTool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                        QString::number(main->winId())});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == main; }, 5000));
    view->setFocus(Qt::TabFocusReason);
    view->setCurrentIndex(view->model()->index(0, 0));
    auto key = [](const char* keys) {
        RunTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QString::fromLatin1(keys)});
    };

    key("Down");
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->currentIndex().row() == 1; }, 5000));
    // Far from the row, so that a menu at the cursor would show.
    RunTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("1200"), QStringLiteral("780")});
    for (const char* keys : {"shift+F10", "Menu"}) {
        key(keys);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return runtime_.OpenMenu() && runtime_.OpenMenu()->isVisible(); }, 5000))
            << keys;
        QMenu* menu = runtime_.OpenMenu();
        EXPECT_EQ(menu->parentWidget(), main);
        const QRect row = view->visualRect(view->model()->index(1, 0));
        EXPECT_TRUE(
            QRect(view->viewport()->mapToGlobal(row.topLeft()), row.size()).contains(menu->pos()))
            << keys;
        // Escape closes the menu alone.
        key("Escape");
        EXPECT_TRUE(QTest::qWaitFor([&] { return runtime_.OpenMenu() == nullptr; }, 5000));
        EXPECT_NE(runtime_.Window("MainWindow"), nullptr);
    }

    key("Tab");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->hasFocus(); }, 5000));
    EXPECT_EQ(view->currentIndex().row(), 1);  // Tab did not move within the list
    key("shift+Tab");
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->hasFocus(); }, 5000));
}

// A private X server and window manager for the whole program, stopped at its end.
class Display {
  public:
    bool Start() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                skipReason = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
                return false;
            }
        }
        // -displayfd: the server picks a free display and prints its number when ready.
        server_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("1280x800x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QByteArray number;
        while (!number.contains('\n') && server_.waitForReadyRead(10000)) {
            number += server_.readAllStandardOutput();
        }
        if (!number.contains('\n')) {
            skipReason = QStringLiteral("Xvfb did not start");
            return false;
        }
        const QByteArray display = ':' + number.trimmed();
        qputenv("DISPLAY", display);
        manager_.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        // The window manager is up once it marks the root window as managed; a manager that
        // ends before that is started again (twice at most).
        manager_.setStandardInputFile(QProcess::nullDevice());
        manager_.setStandardOutputFile(QProcess::nullDevice());
        manager_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        for (int start = 0; start < 3; ++start) {
            manager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            if (!manager_.waitForStarted(5000)) continue;
            for (int attempt = 0; attempt < 100; ++attempt) {
                QProcess probe;
                probe.start(QStringLiteral("xprop"),
                            {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
                probe.waitForFinished(5000);
                if (probe.readAllStandardOutput().contains("window id")) return true;
                manager_.waitForFinished(50);  // a bounded wait that ends early if it dies
                if (manager_.state() == QProcess::NotRunning) break;
            }
            manager_.kill();
            manager_.waitForFinished(1000);
        }
        skipReason = QStringLiteral("openbox did not start (exit %1)").arg(manager_.exitCode());
        return false;
    }
    ~Display() {
        for (QProcess* process : {&manager_, &server_}) {
            process->terminate();
            if (!process->waitForFinished(3000)) process->kill();
            process->waitForFinished(1000);
        }
    }

    bool Running() const { return manager_.state() == QProcess::Running; }

  private:
    QProcess server_;
    QProcess manager_;
};

Display* display = nullptr;
bool ManagerRunning() {
    return display && display->Running();
}

}  // namespace
}  // namespace quillet

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    quillet::Display display;
    quillet::display = &display;
    if (GTEST_FLAG_GET(list_tests)) {
        quillet::skipReason = QStringLiteral("listing only");
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else if (display.Start()) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the tests skip; Qt still needs a platform
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
