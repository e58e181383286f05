// Picture decoding: PNG and JPEG by libpng and libjpeg, the other formats by Qt.

#include "fuzz/fuzz_input.h"
#include "runtime/picture_decoding.h"

#if defined(QUILLET_FUZZ_QT)
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#endif

using namespace quillet;
using quillet::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DecodedPicture picture;
    bool ok = false;
    switch (SniffPictureFormat(bytes)) {
        case PictureFormat::Png:
        case PictureFormat::Jpeg:
            ok = DecodePicture(bytes, picture);
            break;
        default: {
#if defined(QUILLET_FUZZ_QT)
            QImageReader::setAllocationLimit(256);
            const QImage image = QImage::fromData(
                QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
            Check(image.isNull() || (image.width() > 0 && image.height() > 0),
                  "a picture has pixels");
#endif
            return 0;
        }
    }
    if (!ok) {
        Check(picture.rgba.empty() && picture.width == 0, "a refused picture leaves nothing");
        return 0;
    }
    const auto pixels =
        static_cast<std::uint64_t>(picture.width) * static_cast<std::uint64_t>(picture.height);
    Check(picture.width > 0 && picture.height > 0, "a picture has pixels");
    Check(pixels <= MaxPicturePixels, "the pixel limit holds");
    Check(picture.rgba.size() == pixels * 4, "four bytes a pixel");
    return 0;
}
