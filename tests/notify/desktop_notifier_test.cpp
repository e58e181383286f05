// DesktopNotifier against a notification service on a private session bus of the test's own.

#include "runtime/notify/desktop_notifier.h"

#include "app/download_notice.h"
#include "tests/support/private_session_bus.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QVariantMap>
#include <functional>
#include <thread>

namespace quillet {
namespace {

QString BusAddress;

struct Shown {
    QString appName;
    QString summary;
    QString body;
    QStringList actions;
};

// Records Notify calls and answers with ids from 41 on; lives on a thread of its own, as a
// real service is another process. The reply is sent before the call is recorded, so a signal
// sent once the call shows reaches the caller after the reply, as with a real service.
class NotificationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QList<Shown> Calls() {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
  public Q_SLOTS:
    uint Notify(const QString& appName, uint /*replacesId*/, const QString& /*icon*/,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& /*hints*/, int /*timeout*/) {
        QMutexLocker lock(&mutex_);
        const uint id = 41 + static_cast<uint>(calls_.size());
        setDelayedReply(true);
        connection().send(message().createReply(QVariant::fromValue(id)));
        calls_.push_back({appName, summary, body, actions});
        return id;
    }

  private:
    QMutex mutex_;
    QList<Shown> calls_;
};

// The service on its own connection and thread, registered for the test's length.
class DesktopNotifierWithService : public testing::Test {
  protected:
    void SetUp() override {
        service_.moveToThread(&thread_);
        thread_.start();
        bool registered = false;
        OnServiceThread([&] {
            QDBusConnection bus = QDBusConnection::connectToBus(BusAddress, Name);
            registered = bus.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
                         bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                            &service_, QDBusConnection::ExportAllSlots);
        });
        ASSERT_TRUE(registered);
    }

    void TearDown() override {
        OnServiceThread([] { QDBusConnection::disconnectFromBus(Name); });
        thread_.quit();
        thread_.wait();
    }

    void OnServiceThread(const std::function<void()>& work) {
        QMetaObject::invokeMethod(&service_, work, Qt::BlockingQueuedConnection);
    }

    /// Sends one of the service's signals, as the user's clicks would.
    void Emit(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QString::fromLatin1(name));
        signal.setArguments(arguments);
        ASSERT_TRUE(QDBusConnection(Name).send(signal));
    }

    /// Runs the event loop until `done` holds, for at most ten seconds.
    static bool WaitFor(const std::function<bool()>& done) {
        QDeadlineTimer deadline(10000);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return done();
    }

    static inline const QString Name = QStringLiteral("notification-service");
    QThread thread_;
    NotificationService service_;
};

TEST_F(DesktopNotifierWithService, RunsEachNotificationsActionUntilItCloses) {
    DesktopNotifier notifier("Quillet音乐");
    int first = 0;
    int second = 0;
    // Called from a worker thread, as a download ends there.
    std::thread worker(
        [&] { notifier.Notify("歌手 - 歌名", "下载成功", "定位歌曲文件", [&] { ++first; }); });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return service_.Calls().size() == 1; }));
    const Shown shown = service_.Calls().front();
    EXPECT_EQ(shown.appName, QStringLiteral(u"Quillet音乐"));
    EXPECT_EQ(shown.summary, QStringLiteral(u"歌手 - 歌名"));
    EXPECT_EQ(shown.body, QStringLiteral(u"下载成功"));
    ASSERT_EQ(shown.actions.size(), 4);  // key, label pairs
    EXPECT_EQ(shown.actions[0], QStringLiteral("default"));
    EXPECT_EQ(shown.actions[1], QStringLiteral(u"定位歌曲文件"));
    EXPECT_EQ(shown.actions[3], QStringLiteral(u"定位歌曲文件"));
    const QString button = shown.actions[2];

    // Signals arrive in order: those that are not ours must have been passed over by the
    // time our own one has run.
    Emit("ActionInvoked", {uint{7}, button});  // another program's notification
    Emit("ActionInvoked", {uint{41}, QStringLiteral("other")});
    Emit("ActionInvoked", {uint{41}, button});
    ASSERT_TRUE(WaitFor([&] { return first >= 1; }));
    EXPECT_EQ(first, 1);
    Emit("ActionInvoked", {uint{41}, QStringLiteral("default")});  // a click on its body
    ASSERT_TRUE(WaitFor([&] { return first >= 2; }));
    EXPECT_EQ(first, 2);

    // Once closed, its action is forgotten; a second notification has its own.
    Emit("NotificationClosed", {uint{41}, uint{2}});
    Emit("ActionInvoked", {uint{41}, button});
    notifier.Notify("歌手 - 另一首", "下载失败", "定位歌曲文件", [&] { ++second; });
    ASSERT_TRUE(WaitFor([&] { return service_.Calls().size() == 2; }));
    EXPECT_EQ(service_.Calls()[1].body, QStringLiteral(u"下载失败"));
    Emit("ActionInvoked", {uint{42}, button});
    ASSERT_TRUE(WaitFor([&] { return second >= 1; }));
    EXPECT_EQ(second, 1);
    EXPECT_EQ(first, 2);
}

// The windowed program's announcer of finished downloads over the notifier.
TEST_F(DesktopNotifierWithService, DownloadsEndingInTheBackgroundAreAnnounced) {
    DesktopNotifier notifier("Quillet音乐");
    bool windowActive = true;
    std::vector<Text> revealed;
    const SongCommands::DownloadAnnouncer announce = DownloadNotice(
        notifier, [&] { return windowActive; },
        [&](const Text& path) {
            revealed.push_back(path);
            return true;
        });

    // While the user looks at the main window, it says nothing.
    std::thread([&] { announce("歌手 - 歌名", "下载成功", "/songs/歌手 - 歌名.mp3"); }).join();
    QCoreApplication::processEvents();  // the window is asked now, on this thread
    windowActive = false;
    std::thread([&] { announce("歌手 - 另一首", "下载失败", ""); }).join();
    ASSERT_TRUE(WaitFor([&] { return !service_.Calls().empty(); }));
    std::thread([&] { announce("歌手 - 歌名", "下载成功", "/songs/歌手 - 歌名.mp3"); }).join();
    ASSERT_TRUE(WaitFor([&] { return service_.Calls().size() == 2; }));
    const QList<Shown> calls = service_.Calls();
    EXPECT_EQ(calls[0].summary, QStringLiteral(u"歌手 - 另一首"));
    EXPECT_EQ(calls[0].body, QStringLiteral(u"下载失败"));
    EXPECT_EQ(calls[1].summary, QStringLiteral(u"歌手 - 歌名"));
    EXPECT_EQ(calls[1].body, QStringLiteral(u"下载成功"));
    ASSERT_EQ(calls[1].actions.size(), 4);
    EXPECT_EQ(calls[1].actions[1], QStringLiteral(u"定位歌曲文件"));

    // Its action shows the file; a failed download has no file to show.
    Emit("ActionInvoked", {uint{41}, calls[0].actions[2]});
    Emit("ActionInvoked", {uint{42}, calls[1].actions[2]});
    ASSERT_TRUE(WaitFor([&] { return !revealed.empty(); }));
    EXPECT_EQ(revealed, std::vector<Text>{"/songs/歌手 - 歌名.mp3"});
}

TEST(DesktopNotifier, WithoutAServiceNothingHappens) {
    // A bus with no notification service on it, and no bus at all.
    DesktopNotifier onBus("app");
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus"));
    ASSERT_FALSE(none.isConnected());
    DesktopNotifier offBus(none, "app");
    bool called = false;
    QElapsedTimer timer;
    timer.start();
    onBus.Notify("歌名", "下载成功", "open", [&] { called = true; });
    offBus.Notify("歌名", "下载成功", "open", [&] { called = true; });
    EXPECT_LT(timer.elapsed(), 1000);  // the caller never waits for an answer
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(called);
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
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

#include "desktop_notifier_test.moc"
