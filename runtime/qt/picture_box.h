#pragma once

// A picture box: a label showing a picture told by its first bytes, stretched to the box.
// PNG and JPEG come through our decoders, GIF plays as a movie, BMP and icons go through Qt.

#include <QByteArray>
#include <QImage>
#include <string_view>

class QLabel;

namespace quillet {

/// A picture decoded from bytes, ready to be shown. Made on any thread: a still picture is
/// decoded then; a GIF keeps its bytes, as its movie belongs to the GUI thread.
struct PreparedPicture {
    QImage image;
    QByteArray gif;
};

PreparedPicture PreparePictureBytes(std::string_view bytes);

/// Shows a prepared picture in `box` (GUI thread); one that holds nothing leaves it empty.
/// True when a picture is shown.
bool ShowPreparedPicture(QLabel* box, const PreparedPicture& picture);

/// Shows the picture in `box`; bytes of no known format, or damaged ones, leave it empty.
/// True when a picture is shown.
bool SetPictureBytes(QLabel* box, std::string_view bytes);

}  // namespace quillet
