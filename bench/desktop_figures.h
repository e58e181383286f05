#pragma once

#include <string>

namespace quillet::bench {

/// Under a private Xvfb: the time until the windowed program's main window is mapped against
/// a bare Qt window ("ratio startup"), and the memory the first preview adds after playing
/// `songAddress` for 2 s against the bare window. `folder` takes the player page. Prints
/// nothing but a note when Xvfb is missing.
void PrintDesktopFigures(const std::string& songAddress, const std::string& folder);

}  // namespace quillet::bench
