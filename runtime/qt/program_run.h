#pragma once

// The program's run: its folder made the current directory, the main window shown until it
// is closed, the exit routine, and the end of the process.

#include <functional>

namespace quillet {

class QtRuntime;

/// Installs Qt's own Simplified Chinese catalogues (buttons and texts of Qt's dialogs) from
/// Qt's translations folder. False when the base catalogue is not there.
bool LoadQtTranslations();

/// Makes the program's folder the current directory, so relative paths mean it.
void EnterRunDirectory();

/// Handles events until the main window is closed, runs `exitRoutine` and ends the process
/// with code 0. Worker threads are never waited for: the process ends without tearing down
/// the objects that a worker still running may be using.
[[noreturn]] void RunProgramAndExit(QtRuntime& runtime, const std::function<void()>& exitRoutine);

}  // namespace quillet
