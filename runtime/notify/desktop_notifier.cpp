#include "runtime/notify/desktop_notifier.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "text/code_pages.h"

namespace quillet {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// "default" is the click on the notification itself; the other key shows as a button.
const QString DefaultKey = QStringLiteral("default");
const QString ActionKey = QStringLiteral("reveal");
// The call never blocks; this only bounds how long an unanswered one is remembered.
constexpr int CallTimeoutMs = 10000;

QString FromGbk(std::string_view text) {
    return QString::fromStdString(GbkToUtf8(UpToNul(text)).str());
}

// Waits for the service's answer to one Notify call and hands over the notification's id.
// The answer arrives through the same queue as the service's signals, so an action on the
// notification is never seen before its id is known.
class PendingNotification : public QObject {
    Q_OBJECT
  public:
    PendingNotification(std::function<void(uint)> shown, QObject* parent)
        : QObject(parent), shown_(std::move(shown)) {}

  public Q_SLOTS:
    void Shown(uint id) {
        shown_(id);
        deleteLater();
    }
    // No service, or it refused: the notification is simply not shown.
    void Failed(const QDBusError& /*error*/) { deleteLater(); }

  private:
    std::function<void(uint)> shown_;
};

}  // namespace

// The session bus is joined at the first notification: connecting at the start would make
// every start wait for the bus (or, without one, for an attempt to launch one).
DesktopNotifier::DesktopNotifier(std::string_view appName, QObject* parent)
    : QObject(parent), appName_(FromGbk(appName)) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, std::string_view appName,
                                 QObject* parent)
    : QObject(parent), appName_(FromGbk(appName)) {
    Attach(bus);
}

DesktopNotifier::~DesktopNotifier() {
    if (!bus_ || !bus_->isConnected()) return;
    bus_->disconnect(QString(), Path, Interface, QStringLiteral("ActionInvoked"), this,
                     SLOT(OnActionInvoked(uint, QString)));
    bus_->disconnect(QString(), Path, Interface, QStringLiteral("NotificationClosed"), this,
                     SLOT(OnNotificationClosed(uint, uint)));
}

void DesktopNotifier::Attach(const QDBusConnection& bus) {
    bus_ = bus;
    if (!bus_->isConnected()) return;
    bus_->connect(QString(), Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    bus_->connect(QString(), Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnNotificationClosed(uint, uint)));
}

void DesktopNotifier::Notify(std::string_view summary, std::string_view body,
                             std::string_view actionLabel, std::function<void()> onAction) {
    // Converted here, so that the caller's views need not outlive the call.
    QMetaObject::invokeMethod(
        this,
        [this, summary = FromGbk(summary), body = FromGbk(body), label = FromGbk(actionLabel),
         onAction = std::move(onAction)]() mutable {
            Send(summary, body, label, std::move(onAction));
        },
        Qt::AutoConnection);
}

void DesktopNotifier::Send(const QString& summary, const QString& body, const QString& actionLabel,
                           std::function<void()> onAction) {
    if (!bus_) Attach(QDBusConnection::sessionBus());
    if (!bus_->isConnected()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    call << appName_ << uint{0} << QString() << summary << body
         << QStringList{DefaultKey, actionLabel, ActionKey, actionLabel} << QVariantMap{}
         << int{-1};
    auto* pending = new PendingNotification(
        [this, onAction = std::move(onAction)](uint id) mutable {
            if (onAction) actions_[id] = std::move(onAction);
        },
        this);
    if (!bus_->callWithCallback(call, pending, SLOT(Shown(uint)), SLOT(Failed(QDBusError)),
                                CallTimeoutMs)) {
        delete pending;
    }
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& actionKey) {
    if (actionKey != DefaultKey && actionKey != ActionKey) return;
    auto found = actions_.find(id);
    // Ids of other programs' notifications are not ours.
    if (found == actions_.end()) return;
    const std::function<void()> action = found->second;  // the callback may close it
    action();
}

void DesktopNotifier::OnNotificationClosed(uint id, uint /*reason*/) {
    actions_.erase(id);
}

}  // namespace quillet

#include "desktop_notifier.moc"
