#include "app/song_files.h"

#include "text/text_primitives.h"

namespace quillet {
namespace {

Text InFolder(std::string_view folder, std::string_view name) {
    Text path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    return path + Text(name);
}

}  // namespace

Text SongFilePath(std::string_view folder, std::string_view artist, std::string_view songName) {
    return InFolder(folder, Text(artist) + " - " + Text(songName) + ".mp3");
}

Text TemporaryFilePath(std::string_view folder, std::string_view rid) {
    return InFolder(folder, ReplaceText(rid, "/", "_", 1, std::nullopt, true) + ".mp3");
}

}  // namespace quillet
