#include "runtime/qt/picture_box.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPixmap>

#include "runtime/picture_decoding.h"

namespace quillet {
namespace {

void Clear(QLabel* box) {
    if (QMovie* old = box->movie()) {
        box->setMovie(nullptr);
        old->deleteLater();
    }
    box->clear();
}

QImage FromDecoded(const DecodedPicture& picture) {
    QImage image(picture.rgba.data(), picture.width, picture.height, picture.width * 4,
                 QImage::Format_RGBA8888);
    return image.copy();  // own the pixels
}

}  // namespace

bool SetPictureBytes(QLabel* box, std::string_view bytes) {
    if (!box) return false;
    Clear(box);
    box->setScaledContents(true);
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QImage image;
    switch (SniffPictureFormat(bytes)) {
        case PictureFormat::Png:
        case PictureFormat::Jpeg: {
            DecodedPicture picture;
            if (DecodePicture(bytes, picture)) image = FromDecoded(picture);
            break;
        }
        case PictureFormat::Gif: {
            auto* buffer = new QBuffer;
            buffer->setData(data);
            auto* movie = new QMovie(buffer, "gif", box);
            buffer->setParent(movie);
            if (!movie->isValid() || movie->frameCount() == 0) {
                delete movie;
                return false;
            }
            // The label stretches the movie's frames to its own size.
            movie->setScaledSize(box->size());
            box->setMovie(movie);
            movie->start();
            return true;
        }
        case PictureFormat::Bmp:
            image.loadFromData(data, "BMP");
            break;
        case PictureFormat::Icon:
            image.loadFromData(data, "ICO");
            break;
        case PictureFormat::None:
            break;
    }
    if (image.isNull()) return false;
    box->setPixmap(QPixmap::fromImage(image));
    return true;
}

}  // namespace quillet
