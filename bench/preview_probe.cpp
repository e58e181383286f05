// The windowed program's preview for the memory figure: the main window and a preview window
// over the Qt runtime, playing the song of a player page. Once the song has played 2 s, prints
// the process tree's proportional set size in kB and ends.
//   preview_probe PAGE_FILE

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/main_window.h"
#include "app/preview_window.h"
#include "bench/process_memory.h"
#include "runtime/qt/player_box.h"
#include "runtime/qt/player_thread.h"
#include "runtime/qt/qt_runtime.h"
#include "text/code_pages.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    quillet::PreparePlayerBackend();
    QApplication application(argc, argv);
    quillet::UsePlayerEngineMaker(&quillet::MakeMediaPlayerEngine);  // as the module would
    quillet::QtRuntime runtime(quillet::column::Count);
    quillet::MusicClient client(runtime);
    client.BindMainWindow();
    if (!runtime.LoadWindow(quillet::MainWindowSpec) ||
        !runtime.LoadWindow(quillet::PreviewWindowSpec))
        return 1;
    runtime.SetBrowserAddress("超文本浏览框1", quillet::Utf8ToGbk(quillet::Utf8Bytes(argv[1])));
    auto* box = quillet::PlayerBoxIn(
        runtime.Window("PreviewWindow")->findChild<QWidget*>(QStringLiteral("超文本浏览框1")));
    if (!box) return 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (box->Position() < 2000) return;
        std::printf("pss_kb %ld\n", quillet::bench::ProcessTreePssKb(getpid()));
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    poll.start(20);
    QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });  // the song never played
    return QApplication::exec();
}
