#include "runtime/picture_decoding.h"

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>
#include <cstdio>

#include <csetjmp>
#include <cstring>

namespace quillet {

PictureFormat SniffPictureFormat(std::string_view bytes) {
    auto starts = [&](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
    if (starts("\x89PNG\r\n\x1a\n")) return PictureFormat::Png;
    if (starts("\xFF\xD8\xFF")) return PictureFormat::Jpeg;
    if (starts("GIF87a") || starts("GIF89a")) return PictureFormat::Gif;
    if (starts("BM")) return PictureFormat::Bmp;
    if (starts(std::string_view("\0\0\1\0", 4))) return PictureFormat::Icon;
    return PictureFormat::None;
}

namespace {

bool SizeAllowed(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide &&
           width * height <= MaxPicturePixels;
}

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the decoder with the message swallowed, so damaged data can never end the process.
struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool cutOff;
};

void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

void JpegMessage(j_common_ptr info, int level) {
    // A warning of data ending early: libjpeg would fill the rest with grey; we refuse it.
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        reinterpret_cast<JpegErrorManager*>(info->err)->cutOff = true;
    }
}

// Called by libjpeg while it reads the file; ends the decode once the scans read pass the limit.
void JpegProgress(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxJpegScans) {
        JpegErrorExit(info);
    }
}

// Everything between setjmp and a longjmp is plain C data, so the jump skips no destructor
// and leaves no half-changed C++ object behind; `picture` lives in the caller.
bool DecodeJpegInto(const unsigned char* data, unsigned long size, DecodedPicture* picture) {
    jpeg_decompress_struct info;
    JpegErrorManager error;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = JpegProgress;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = JpegErrorExit;
    error.base.emit_message = JpegMessage;
    error.cutOff = false;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_RGBA;
    if (!SizeAllowed(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t{info.output_width} * 4;
    picture->width = static_cast<int>(info.output_width);
    picture->height = static_cast<int>(info.output_height);
    picture->rgba.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height && !error.cutOff) {
        JSAMPROW row = picture->rgba.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (!error.cutOff) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return !error.cutOff;
}

}  // namespace

bool DecodePicture(std::string_view bytes, DecodedPicture& picture) {
    switch (SniffPictureFormat(bytes)) {
        case PictureFormat::Png:
            return DecodePng(bytes, picture);
        case PictureFormat::Jpeg:
            return DecodeJpeg(bytes, picture);
        default:
            picture = {};
            return false;
    }
}

bool DecodePng(std::string_view bytes, DecodedPicture& picture) {
    picture = {};
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    if (!SizeAllowed(image.width, image.height)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        picture = {};
        return false;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return true;
}

bool DecodeJpeg(std::string_view bytes, DecodedPicture& picture) {
    picture = {};
    if (bytes.empty()) return false;
    bool ok = DecodeJpegInto(reinterpret_cast<const unsigned char*>(bytes.data()),
                             static_cast<unsigned long>(bytes.size()), &picture);
    if (!ok) picture = {};
    return ok;
}

}  // namespace quillet
