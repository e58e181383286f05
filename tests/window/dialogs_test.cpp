#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTranslator>
#include <thread>

#include "app/main_window.h"
#include "runtime/qt/program_run.h"
#include "runtime/qt/qt_runtime.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using namespace Qt::Literals::StringLiterals;

struct BoxCase {
    int flags;
    QMessageBox::Icon icon;
};

TEST(Dialogs, MessageBoxTitleIconButtonOwnerAndModality) {
    QWidget owner;
    for (BoxCase c : {BoxCase{MessageInformation, QMessageBox::Information},
                      BoxCase{MessageError, QMessageBox::Critical}}) {
        std::unique_ptr<QMessageBox> box =
            QtRuntime::MakeMessageBox(u"请先获取歌曲地址"_s, c.flags, &owner);
        EXPECT_EQ(box->windowTitle(), u"信息："_s);
        EXPECT_EQ(box->text(), u"请先获取歌曲地址"_s);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget(), &owner);  // placed over the main window
        EXPECT_TRUE(box->isWindow());
        // Modal for the whole program, not only for its owner.
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    }
}

TEST(Dialogs, FolderDialogHasTitleEditFieldOwnerStartAndIsModal) {
    QWidget owner;
    testing_support::TempDir start;
    const QString startFolder = QString::fromStdString(start.Path().string());
    std::unique_ptr<QFileDialog> dialog =
        QtRuntime::MakeFolderDialog(u"请选择要保存的文件夹"_s, startFolder, &owner);
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_EQ(dialog->directory().absolutePath(), startFolder);
    EXPECT_EQ(dialog->windowTitle(), u"请选择要保存的文件夹"_s);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_FALSE(dialog->findChildren<QLineEdit*>().isEmpty());
}

struct FolderCase {
    const char16_t* answer;
    const char* folder;
};

TEST(Dialogs, ChosenFolderLosesItsTrailingSlashButRoot) {
    QtRuntime runtime(column::Count);
    for (FolderCase c : {FolderCase{u"/home/u/音乐/", "/home/u/音乐"}, FolderCase{u"/m//", "/m"},
                         FolderCase{u"/", "/"}, FolderCase{u"", ""}}) {
        runtime.SetFolderDialogHandler(
            [&](const QString&, const QString&) { return QString::fromUtf16(c.answer); });
        EXPECT_EQ(runtime.ChooseFolder("t"), c.folder);
    }
}

TEST(Dialogs, ClipboardTakesTheText) {
    QtRuntime runtime(column::Count);
    runtime.SetClipboardText("http://h/晴天.mp3");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"http://h/晴天.mp3"_s);
}

TEST(Dialogs, MessageFromAWorkerIsShownByTheGuiThread) {
    QtRuntime runtime(column::Count);
    std::vector<std::pair<QString, bool>> shown;
    runtime.SetMessageBoxHandler([&](const QString& text, int) {
        shown.emplace_back(text, QThread::currentThread() == qApp->thread());
    });
    std::thread([&runtime] { runtime.ShowMessage("请先获取歌曲地址", MessageInformation); }).join();
    EXPECT_TRUE(shown.empty());  // queued, the worker was not held up
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, u"请先获取歌曲地址"_s);
    EXPECT_TRUE(shown[0].second);
}

TEST(Dialogs, QtsOwnButtonsSpeakChineseOnceTranslationsAreLoaded) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + u"/qtbase_zh_CN.qm"_s)) {
        GTEST_SKIP() << "Qt's Chinese catalogue (qt6-translations-l10n) is not installed";
    }
    ASSERT_TRUE(LoadQtTranslations());
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text().remove(u'&'), u"确定"_s);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove(u'&'), u"取消"_s);
    // The other tests see Qt's own texts untranslated, as before.
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

}  // namespace
}  // namespace quillet
