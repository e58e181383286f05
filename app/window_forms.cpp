// The program's window forms, compiled from their .ui descriptions beside this file and
// registered under the windows' names. Compiled into each program that shows the windows.

#include "runtime/qt/window_forms.h"

#include <QWidget>

#include "app/main_window.h"
#include "app/preview_window.h"
#include "ui_main_window.h"
#include "ui_preview_window.h"

namespace {

template <typename Form>
QWidget* Build(QWidget* parent) {
    auto* window = new QWidget(parent);
    Form form;
    form.setupUi(window);
    return window;
}

[[maybe_unused]] const bool registered =
    quillet::RegisterWindowForm(quillet::names::MainWindow, &Build<Ui::MainWindow>) &&
    quillet::RegisterWindowForm(quillet::names::PreviewWindow, &Build<Ui::PreviewWindow>);

}  // namespace
