#include "runtime/qt/program_run.h"

#include <unistd.h>

#include <cstdio>

#include "runtime/file_ops.h"
#include "runtime/qt/qt_runtime.h"
#include "text/code_pages.h"

namespace quillet {

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
