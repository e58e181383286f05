#pragma once

// A main window over the Qt runtime with both dialogs answered by the test, its settings in a
// temporary folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <deque>
#include <vector>

#include "app/main_window.h"
#include "runtime/qt/qt_runtime.h"
#include "tests/support/temp_dir.h"

namespace quillet::testing_support {

struct ShownMessage {
    QString text;
    int flags;
};

class WindowTest : public testing::Test {
  protected:
    WindowTest() : client_(runtime_) {
        runtime_.SetRunDirectory(dir_.Path().string());
        runtime_.SetMessageBoxHandler([this](const QString& text, int flags) {
            messages_.push_back({text, flags});
        });
        runtime_.SetFolderDialogHandler([this](const QString& title) {
            folderTitles_.push_back(title);
            if (folderAnswers_.empty()) return QString();
            QString answer = folderAnswers_.front();
            folderAnswers_.pop_front();
            return answer;
        });
        client_.BindMainWindow();
    }

    QWidget* OpenMain() {
        EXPECT_TRUE(runtime_.LoadWindow(MainWindowSpec));
        QWidget* window = runtime_.Window("MainWindow");
        Settle();
        return window;
    }

    template <typename T>
    T* Find(const QString& name) {
        QWidget* window = runtime_.Window("MainWindow");
        return window ? window->findChild<T*>(name) : nullptr;
    }

    /// Lets queued events (cell news, control values) arrive.
    static void Settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }

    TempDir dir_;
    QtRuntime runtime_{column::Count};
    MusicClient client_;
    std::vector<ShownMessage> messages_;
    std::vector<QString> folderTitles_;
    std::deque<QString> folderAnswers_;
};

}  // namespace quillet::testing_support
