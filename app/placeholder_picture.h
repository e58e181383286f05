#pragma once

#include <string_view>

namespace quillet {

/// The 120 x 120 JPEG the preview shows for a song without an artist picture.
std::string_view PlaceholderPicture();

}  // namespace quillet
