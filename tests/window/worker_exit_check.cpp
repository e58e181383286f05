// Closing the main window while workers still run: the process must end with code 0, neither
// crashing nor hanging. Run by CTest as a program of its own, since the run ends the process.

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/control_names.h"
#include "app/music_client.h"
#include "runtime/qt/program_run.h"
#include "runtime/qt/qt_runtime.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    quillet::testing_support::TempDir dir;
    quillet::QtRuntime runtime;
    runtime.SetRunDirectory(dir.Path().string());
    runtime.SetMessageBoxHandler([](const QString&, int) {});
    quillet::MusicClient client(runtime);
    static std::atomic<int> started{0};
    client.Hooks().resolveSongAddress = [&runtime, &client](const quillet::ReportList::RowRef&) {
        ++started;
        // Keeps working on the list and the folder for far longer than the window lives.
        for (int i = 0;; ++i) {
            quillet::ReportList& list = runtime.SongList();
            int row = list.AppendRow();
            list.SetCell(row, 5, "歌曲获取中...");
            (void)client.SaveDirectory();
            (void)runtime.Controls().IsChecked(quillet::names::StandardQuality);
            if (i % 50 == 0) list.DeleteAll();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    client.BindMainWindow();
    QTimer::singleShot(0, [&client] {
        for (int i = 0; i < 8; ++i) client.OnListLeftClick();
    });
    QTimer::singleShot(300, [&runtime] {
        if (started < 8) return;  // the check below fails the run
        runtime.Window("MainWindow")->close();
    });
    // Should the window not close, the run ends with a code that fails the test.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(3); });
    quillet::RunProgramAndExit(runtime, [&client, &dir] {
        client.Exit();
        std::error_code ignored;
        std::filesystem::remove_all(dir.Path(), ignored);  // no destructor runs after this
    });
}
