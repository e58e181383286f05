#pragma once

// The program's run: its folder made the current directory, the main window's events handled
// until it is closed, then the workers stopped and the exit routine.

#include <functional>

namespace quillet {

class QtRuntime;

/// Installs Qt's own Simplified Chinese catalogues (buttons and texts of Qt's dialogs) from
/// Qt's translations folder. False when the base catalogue is not there.
bool LoadQtTranslations();

/// Makes the program's folder the current directory, so relative paths mean it.
void EnterRunDirectory();

/// Handles events until the main window (loaded before) is closed, asks the workers to stop
/// and waits for them a bounded time, runs `exitRoutine` and yields the exit code for main.
int RunProgram(QtRuntime& runtime, const std::function<void()>& exitRoutine);

}  // namespace quillet
