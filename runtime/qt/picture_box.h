#pragma once

// A picture box: a label showing a picture told by its first bytes, stretched to the box.
// PNG and JPEG come through our decoders, GIF plays as a movie, BMP and icons go through Qt.

#include <string_view>

class QLabel;

namespace quillet {

/// Shows the picture in `box`; bytes of no known format, or damaged ones, leave it empty.
/// True when a picture is shown.
bool SetPictureBytes(QLabel* box, std::string_view bytes);

}  // namespace quillet
