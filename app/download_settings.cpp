#include "app/download_settings.h"

#include "runtime/ini_file.h"

namespace quillet {

bool SongTagsEnabled(std::string_view settingsPath) {
    return ReadIniValue(settingsPath, "download", "tags", "1") != "0";
}

}  // namespace quillet
