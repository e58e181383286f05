// Closing the main window while workers still run: the workers are asked to stop and the
// program returns from main with code 0, neither crashing nor hanging. Run by CTest as a
// program of its own, since it is a whole run of the program.

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <cstdlib>

#include "app/main_window.h"
#include "runtime/qt/program_run.h"
#include "runtime/qt/qt_runtime.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    quillet::testing_support::TempDir dir;
    quillet::QtRuntime runtime(quillet::column::Count);
    runtime.SetRunDirectory(dir.Path().string());
    runtime.SetMessageBoxHandler([](const QString&, int) {});
    quillet::MusicClient client(runtime);
    std::atomic<int> started{0};
    std::atomic<int> stopped{0};
    client.Hooks().resolveSongAddress = [&](const quillet::ReportList::RowRef&,
                                            std::stop_token stop) {
        ++started;
        // Keeps working on the list and the folder until it is asked to stop.
        for (int i = 0; !stop.stop_requested(); ++i) {
            quillet::ReportList& list = runtime.SongList();
            int row = list.AppendRow();
            list.SetCell(row, quillet::column::Status, "歌曲获取中...");
            (void)client.SaveDirectory();
            (void)runtime.Controls().IsChecked(quillet::names::StandardQuality);
            if (i % 50 == 0) list.DeleteAll();
        }
        ++stopped;
    };
    client.BindMainWindow();
    if (!client.Show()) return 2;
    QTimer::singleShot(0, [&client] {
        for (int i = 0; i < 8; ++i) client.OnListLeftClick();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (started < 8) return;
        poll.stop();
        if (QWidget* window = runtime.Window("MainWindow")) window->close();
    });
    poll.start(10);
    // Should the window not close, the run ends with a code that fails the test.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(3); });
    const int code = quillet::RunProgram(runtime, [&client] { client.Exit(); });
    if (code != 0) return code;
    if (stopped != 8 || runtime.Workers().Running() != 0) return 4;
    return 0;
}
