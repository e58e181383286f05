#pragma once

// The browser box: a web view made inside its placeholder widget the first time it is needed,
// so that the web engine is only loaded when a preview opens.

#include <QString>

class QWidget;

namespace quillet {

/// True when this build has the web engine.
bool BrowserBoxAvailable();

/// Makes the web view inside `placeholder` (once; later calls find it). Null without the web
/// engine.
QWidget* MakeBrowserBox(QWidget* placeholder);

/// Points the browser box held by `placeholder` at `address` (a local path or a URL),
/// making the web view first when there is none yet. False without the web engine.
bool NavigateBrowserBox(QWidget* placeholder, const QString& address);

/// The web view inside `placeholder`, if made (for tests).
QWidget* BrowserView(QWidget* placeholder);

}  // namespace quillet
