// The windowed program: the main window over the Qt runtime.

#include <unistd.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/music_client.h"
#include "runtime/file_ops.h"
#include "runtime/qt/qt_runtime.h"
#include "text/code_pages.h"

int main(int argc, char** argv) {
    // The preview window's web engine asks for shared GL contexts before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    // Relative paths of the program mean its own folder, wherever it was started from.
    quillet::Text runDirectory = quillet::RunDirectory();
    if (!runDirectory.empty() && chdir(quillet::GbkToUtf8(runDirectory).c_str()) != 0) {
        std::perror("chdir");
    }
    quillet::QtRuntime runtime;
    quillet::MusicClient client(runtime);
    client.BindMainWindow();
    int code = runtime.Run();
    client.Exit();
    // Workers are never waited for: the process ends here without tearing down the objects
    // a running worker may still be using.
    std::fflush(nullptr);
    std::_Exit(code);
}
