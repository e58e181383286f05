#include "runtime/reveal/reveal_in_folder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include "runtime/file_ops.h"
#include "text/code_pages.h"

namespace quillet {
namespace {

constexpr int FileManagerTimeoutMs = 5000;

bool AskFileManager(const QUrl& file) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, FileManagerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

bool RevealInFolder(std::string_view path, bool /*edit*/) {
    if (!PathExists(path)) return false;
    const QString local = QString::fromUtf8(GbkToUtf8(path).str());
    if (AskFileManager(QUrl::fromLocalFile(local))) return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(local).absolutePath()));
}

}  // namespace quillet
