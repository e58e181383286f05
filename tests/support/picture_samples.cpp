#include "tests/support/picture_samples.h"

#include <jpeglib.h>
#include <png.h>
#include <cstdio>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace quillet::testing_support {
namespace {

std::vector<unsigned char> Pixels(int width, int height, int channels) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * channels));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[static_cast<std::size_t>((y * width + x) * channels)];
            bool left = x < width / 2;
            p[0] = left ? 255 : 0;
            p[1] = 0;
            p[2] = left ? 0 : 255;
            if (channels == 4) p[3] = 255;
        }
    }
    return pixels;
}

}  // namespace

std::string MakePng(int width, int height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels = Pixels(width, height, 4);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) {
        throw std::runtime_error("png size");
    }
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) {
        throw std::runtime_error("png write");
    }
    out.resize(size);
    return out;
}

namespace {

// scans: 0 for a baseline picture, 1 for libjpeg's usual progression, 2 for one scan per
// coefficient of each component (190 scans).
std::string EncodeJpeg(int width, int height, int scans) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    std::vector<jpeg_scan_info> script;
    if (scans == 1) jpeg_simple_progression(&info);
    if (scans == 2) {
        script.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
        for (int component = 0; component < 3; ++component) {
            for (int k = 1; k < 64; ++k) script.push_back({1, {component, 0, 0, 0}, k, k, 0, 0});
        }
        info.scan_info = script.data();
        info.num_scans = static_cast<int>(script.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> pixels = Pixels(width, height, 3);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &pixels[info.next_scanline * static_cast<std::size_t>(width) * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    free(buffer);
    return out;
}

}  // namespace

std::string MakeJpeg(int width, int height) {
    return EncodeJpeg(width, height, 0);
}

std::string MakeProgressiveJpeg(int width, int height, bool scanPerCoefficient) {
    return EncodeJpeg(width, height, scanPerCoefficient ? 2 : 1);
}

std::string TinyGif() {
    static const unsigned char gif[] = {
        'G',  'I', 'F',  '8',  '9', 'a',  1, 0, 1, 0, 0x80, 0, 0,  // screen, 2-colour table
        0xFF, 0,   0,    0,    0,   0xFF,                          // red, blue
        0x2C, 0,   0,    0,    0,   1,    0, 1, 0, 0,              // image descriptor
        2,    2,   0x44, 0x01, 0,                                  // LZW data: one pixel 0
        0x3B};
    return std::string(reinterpret_cast<const char*>(gif), sizeof gif);
}

std::string AnimatedGif() {
    std::string out("GIF89a\x02\x00\x02\x00\x80\x00\x00", 13);
    out += std::string("\xFF\x00\x00\x00\x00\xFF", 6);
    // Loop for ever.
    out += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int frame = 0; frame < 2; ++frame) {
        out += std::string("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);  // 100 ms per frame
        out += std::string("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00", 10);
        // 4 pixels of colour `frame`, min code size 2, a clear code before each pixel so
        // that every code stays 3 bits wide: clear, c, clear, c, clear, c, clear, c, end.
        out += frame == 0 ? std::string("\x02\x04\x04\x41\x10\x05\x00", 7)
                          : std::string("\x02\x04\x0C\xC3\x30\x05\x00", 7);
    }
    out += '\x3B';
    return out;
}

}  // namespace quillet::testing_support
