#pragma once

// Where a song is saved inside the download folder.

#include "text/text_types.h"

namespace quillet {

/// folder + "/" + artist + " - " + song name + ".mp3" (no second "/" after a folder that ends
/// in one, such as the desktop folder).
Text SongFilePath(std::string_view folder, std::string_view artist, std::string_view songName);

/// folder + "/" + rid + ".mp3", the name a download is written under before its rename. Every
/// "/" of the rid becomes "_", so whatever the service sends, the file stays in the folder.
Text TemporaryFilePath(std::string_view folder, std::string_view rid);

}  // namespace quillet
