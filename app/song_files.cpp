#include "app/song_files.h"

#include "text/text_primitives.h"

namespace quillet {
namespace {

// The name is checked byte by byte: the cleaning before it steps over double-byte characters,
// so a "/" behind a lone high byte (the euro sign 0x80) can reach this point, and a NUL would
// end the path early.
Text InFolder(std::string_view folder, std::string_view name, char replacement) {
    Text path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    for (const char c : name) path += (c == '/' || c == '\0') ? replacement : c;
    return path;
}

}  // namespace

Text SongFilePath(std::string_view folder, std::string_view artist, std::string_view songName) {
    return InFolder(folder, Text(artist) + " - " + Text(songName) + ".mp3", ' ');
}

Text TemporaryFilePath(std::string_view folder, std::string_view rid) {
    return InFolder(folder, ReplaceText(rid, "/", "_", 1, std::nullopt, true) + ".mp3", '_');
}

}  // namespace quillet
