#include "runtime/qt/program_run.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "runtime/file_ops.h"
#include "runtime/qt/qt_runtime.h"
#include "text/code_pages.h"

namespace quillet {

void EnterRunDirectory() {
    Text folder = RunDirectory();
    if (!folder.empty() && chdir(GbkToUtf8(folder).c_str()) != 0) std::perror("chdir");
}

void RunProgramAndExit(QtRuntime& runtime, const std::function<void()>& exitRoutine) {
    int code = runtime.Run();
    if (exitRoutine) exitRoutine();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace quillet
