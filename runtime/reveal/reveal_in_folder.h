#pragma once

#include <string_view>

namespace quillet {

/// Asks the desktop's file manager to show the file with it selected (the freedesktop
/// FileManager1 ShowItems call on the session bus); where no file manager answers, opens the
/// folder that holds the file with the desktop's default handler. False when the file does
/// not exist or nothing could be asked. `edit` is accepted for callers that want the name
/// put into rename mode, which the file-manager interface does not offer.
bool RevealInFolder(std::string_view path, bool edit = false);

}  // namespace quillet
