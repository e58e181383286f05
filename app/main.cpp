// The windowed program: the main window over the Qt runtime.

#include <QApplication>

#include "app/music_client.h"
#include "runtime/qt/program_run.h"
#include "runtime/qt/qt_runtime.h"

int main(int argc, char** argv) {
    // The preview window's web engine asks for shared GL contexts before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    quillet::EnterRunDirectory();
    quillet::QtRuntime runtime;
    quillet::MusicClient client(runtime);
    client.BindMainWindow();
    quillet::RunProgramAndExit(runtime, [&client] { client.Exit(); });
}
