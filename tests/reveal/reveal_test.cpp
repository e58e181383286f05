// RevealInFolder against a file-manager object on a private session bus of the test's own.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QMutex>
#include <QThread>
#include <QUrl>

#include "runtime/reveal/reveal_in_folder.h"
#include "tests/support/private_session_bus.h"
#include "tests/support/temp_dir.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

// Records ShowItems calls; lives on a thread of its own, so that the blocking call made by
// the code under test gets its answer.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
  public:
    QStringList Shown() {
        QMutexLocker lock(&mutex_);
        return shown_;
    }
  public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& /*startupId*/) {
        QMutexLocker lock(&mutex_);
        shown_ += uris;
    }

  private:
    QMutex mutex_;
    QStringList shown_;
};

QString BusAddress;

TEST(RevealInFolder, AsksTheFileManagerForTheFile) {
    QThread thread;
    FileManager manager;
    manager.moveToThread(&thread);
    thread.start();
    bool registered = false;
    QMetaObject::invokeMethod(
        &manager,
        [&] {
            QDBusConnection bus = QDBusConnection::connectToBus(BusAddress, QStringLiteral("fm"));
            registered = bus.registerService(QStringLiteral("org.freedesktop.FileManager1")) &&
                         bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                            &manager, QDBusConnection::ExportAllSlots);
        },
        Qt::BlockingQueuedConnection);
    ASSERT_TRUE(registered);

    testing_support::TempDir folder;
    const Text file = folder.Path().string() + "/歌手 - 歌名 #1.mp3";  // GBK, UTF-8 on disk
    const std::string onDisk = GbkToUtf8(file).str();
    testing_support::WriteFileBytes(onDisk, "x");
    EXPECT_TRUE(RevealInFolder(file));
    EXPECT_FALSE(RevealInFolder(folder.Path().string() + "/missing.mp3"));

    const QStringList shown = manager.Shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(QUrl(shown[0]).toLocalFile(), QString::fromUtf8(onDisk));
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("file:///")));
    EXPECT_TRUE(shown[0].contains(QStringLiteral("%23")));  // "#" cannot end the path

    QMetaObject::invokeMethod(
        &manager, [] { QDBusConnection::disconnectFromBus(QStringLiteral("fm")); },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

}  // namespace
}  // namespace quillet

// A private session bus for the whole run, the program's bus pointed at it.
int main(int argc, char** argv) {
    quillet::testing_support::PrivateSessionBus bus;
    quillet::BusAddress = QString::fromStdString(bus.Address());
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "reveal_test.moc"
