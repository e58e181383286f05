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

PreparedPicture PreparePictureBytes(std::string_view bytes) {
    PreparedPicture prepared;
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    switch (SniffPictureFormat(bytes)) {
        case PictureFormat::Png:
        case PictureFormat::Jpeg: {
            DecodedPicture picture;
            if (DecodePicture(bytes, picture)) prepared.image = FromDecoded(picture);
            break;
        }
        case PictureFormat::Gif:
            prepared.gif = data;
            break;
        case PictureFormat::Bmp:
            prepared.image.loadFromData(data, "BMP");
            break;
        case PictureFormat::Icon:
            prepared.image.loadFromData(data, "ICO");
            break;
        case PictureFormat::None:
            break;
    }
    return prepared;
}

bool ShowPreparedPicture(QLabel* box, const PreparedPicture& picture) {
    if (!box) return false;
    Clear(box);
    box->setScaledContents(true);
    if (!picture.gif.isEmpty()) {
        auto* buffer = new QBuffer;
        buffer->setData(picture.gif);
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
    if (picture.image.isNull()) return false;
    box->setPixmap(QPixmap::fromImage(picture.image));
    return true;
}

bool SetPictureBytes(QLabel* box, std::string_view bytes) {
    if (!box) return false;
    return ShowPreparedPicture(box, PreparePictureBytes(bytes));
}

}  // namespace quillet
