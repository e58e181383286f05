#include "runtime/qt/program_run.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

#include "runtime/file_ops.h"
#include "runtime/qt/qt_runtime.h"
#include "text/code_pages.h"

namespace quillet {

bool LoadQtTranslations() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool loaded = false;
    for (const QString& catalogue : {QStringLiteral("qtbase"), QStringLiteral("qtmultimedia")}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(catalogue + QStringLiteral("_zh_CN"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            loaded = loaded || catalogue == QStringLiteral("qtbase");
        } else {
            delete translator;
        }
    }
    return loaded;
}

void EnterRunDirectory() {
    Text folder = RunDirectory();
    if (!folder.empty() && chdir(GbkToUtf8(folder).c_str()) != 0) std::perror("chdir");
}

int RunProgram(QtRuntime& runtime, const std::function<void()>& exitRoutine) {
    const int code = runtime.Run();
    runtime.Workers().RequestStopAndWait();
    if (exitRoutine) exitRoutine();
    return code;
}

}  // namespace quillet
