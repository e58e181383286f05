#pragma once

// Window forms compiled from their .ui descriptions (uic), registered under their windows'
// names, so that the runtime makes whichever window a presenter names without knowing the
// program's windows, and without reading and interpreting the descriptions at run time.

#include <string_view>

class QWidget;

namespace quillet {

/// Makes a window's widgets inside a new widget, a child of `parent`, and returns it.
using WindowFormBuilder = QWidget* (*)(QWidget* parent);

/// Registers `builder` as the form of the window `name`; returns true, for use in a static
/// initializer.
bool RegisterWindowForm(std::string_view name, WindowFormBuilder builder);

/// Makes the form registered for `name` as a child of `parent`; nullptr when none is.
QWidget* BuildWindowForm(std::string_view name, QWidget* parent);

}  // namespace quillet
