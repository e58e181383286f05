#pragma once

// A main window over the Qt runtime with both dialogs answered by the test, its settings in a
// temporary folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QTest>
#include <deque>
#include <memory>
#include <vector>

#include "app/main_window.h"
#include "runtime/qt/qt_runtime.h"
#include "tests/support/temp_dir.h"

namespace quillet::testing_support {

/// Delivers every event posted to the GUI thread so far (cell news, control values, messages
/// from workers): a marker posted now is handled after all of them.
inline void DeliverPosted() {
    auto reached = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        qApp, [reached] { *reached = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(QTest::qWaitFor([&] { return *reached; }, 10000));
}

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
        runtime_.SetFolderDialogHandler([this](const QString& title, const QString& start) {
            folderTitles_.push_back(title);
            folderStarts_.push_back(start);
            if (folderAnswers_.empty()) return QString();
            QString answer = folderAnswers_.front();
            folderAnswers_.pop_front();
            return answer;
        });
        client_.BindMainWindow();
    }

    QWidget* OpenMain() {
        EXPECT_TRUE(client_.Show());
        QWidget* window = runtime_.Window("MainWindow");
        DeliverPosted();
        return window;
    }

    template <typename T>
    T* Find(const QString& name) {
        QWidget* window = runtime_.Window("MainWindow");
        return window ? window->findChild<T*>(name) : nullptr;
    }

    TempDir dir_;
    QtRuntime runtime_{column::Count};
    MusicClient client_;
    std::vector<ShownMessage> messages_;
    std::vector<QString> folderTitles_;
    std::vector<QString> folderStarts_;
    std::deque<QString> folderAnswers_;
};

}  // namespace quillet::testing_support
