// The reference for the desktop figures: a bare Qt window of the same build, shown at once.
// With "--pss", prints its proportional set size in kB once the window is shown and ends.
// With "--text", the window shows one line of Chinese text: the least a window with Chinese
// text costs (the fonts), for comparison.

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "bench/process_memory.h"

int main(int argc, char** argv) {
    const bool reportMemory = argc > 1 && std::strcmp(argv[1], "--pss") == 0;
    const bool withText = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QApplication application(argc, argv);
    QWidget window;
    window.resize(700, 450);
    if (withText) {
        (new QLabel(QString::fromUtf16(u"下载保存目录："), &window))->move(10, 10);
    }
    window.show();
    if (reportMemory) {
        QTimer::singleShot(2000, [] {
            std::printf("pss_kb %ld\n", quillet::bench::ProcessTreePssKb(getpid()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return QApplication::exec();
}
