#pragma once

#include <string_view>

namespace quillet {

/// Whether finished songs get tags: key `tags` of the settings file's [download] section;
/// "0" turns it off, any other value or none leaves it on.
bool SongTagsEnabled(std::string_view settingsPath);

}  // namespace quillet
