#pragma once

// Desktop notifications through the freedesktop notification service on the session bus,
// each with one action whose callback runs when the user picks it.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace quillet {

class DesktopNotifier : public QObject {
    Q_OBJECT
  public:
    /// Notifications on the session bus, joined at the first one, under the GBK application
    /// name `appName`.
    explicit DesktopNotifier(std::string_view appName, QObject* parent = nullptr);
    /// The same on a given bus (tests use a private one).
    DesktopNotifier(const QDBusConnection& bus, std::string_view appName,
                    QObject* parent = nullptr);
    ~DesktopNotifier() override;

    /// Shows a notification with the GBK texts `summary` and `body` and an action labelled
    /// `actionLabel`; `onAction` runs on this object's thread when the user picks the action
    /// or clicks the notification. Safe from any thread; never waits for the service. Without
    /// a bus or a notification service nothing happens.
    void Notify(std::string_view summary, std::string_view body, std::string_view actionLabel,
                std::function<void()> onAction);

  private Q_SLOTS:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotificationClosed(uint id, uint reason);

  private:
    void Attach(const QDBusConnection& bus);
    void Send(const QString& summary, const QString& body, const QString& actionLabel,
              std::function<void()> onAction);

    std::optional<QDBusConnection> bus_;  ///< joined at the first notification
    QString appName_;
    std::map<uint, std::function<void()>> actions_;  ///< by notification id, until closed
};

}  // namespace quillet
