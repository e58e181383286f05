#pragma once

// The windowed program's word on a finished download: a desktop notification, shown only
// while the main window is not the active one, whose action shows the file in the file
// manager.

#include <functional>

#include "app/song_commands.h"

namespace quillet {

class DesktopNotifier;

/// The announcer to give SongCommands. It may be called from any thread: the rest happens on
/// the notifier's thread, where `windowActive` is asked and `reveal` runs when the user picks
/// the notification's action. `notifier` must outlive the downloads.
SongCommands::DownloadAnnouncer DownloadNotice(DesktopNotifier& notifier,
                                               std::function<bool()> windowActive,
                                               SongCommands::RevealFunction reveal);

}  // namespace quillet
