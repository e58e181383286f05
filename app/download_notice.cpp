#include "app/download_notice.h"

#include <QMetaObject>

#include "app/texts.h"
#include "runtime/notify/desktop_notifier.h"

namespace quillet {

SongCommands::DownloadAnnouncer DownloadNotice(DesktopNotifier& notifier,
                                               std::function<bool()> windowActive,
                                               SongCommands::RevealFunction reveal) {
    return [&notifier, windowActive = std::move(windowActive), reveal = std::move(reveal)](
               const Text& summary, const Text& outcome, const Text& path) {
        // Which window is active is known only on the GUI thread.
        QMetaObject::invokeMethod(
            &notifier,
            [&notifier, windowActive, reveal, summary, outcome, path] {
                if (windowActive && windowActive()) return;
                std::function<void()> onAction;
                if (reveal && !path.empty()) onAction = [reveal, path] { reveal(path); };
                notifier.Notify(summary, outcome, LocateMenuLabel, std::move(onAction));
            },
            Qt::QueuedConnection);
    };
}

}  // namespace quillet
