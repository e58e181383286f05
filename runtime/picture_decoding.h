#pragma once

// Pictures from bytes: the format is told by the first bytes; PNG and JPEG are decoded here
// (libpng, libjpeg), the other formats are left to the window layer.

#include <cstdint>
#include <string_view>
#include <vector>

namespace quillet {

enum class PictureFormat { None, Png, Jpeg, Gif, Bmp, Icon };

PictureFormat SniffPictureFormat(std::string_view bytes);

/// Pictures wider or taller than this, or with more pixels than MaxPicturePixels, are refused
/// before any pixel memory is taken. The pixel limit keeps a decode under about a second and
/// its memory (pixels, and a progressive JPEG's coefficients) well under 256 MB.
inline constexpr std::uint32_t MaxPictureSide = 16384;
inline constexpr std::uint64_t MaxPicturePixels = 16ull * 1024 * 1024;
/// A progressive JPEG with more scans than this is refused: each scan costs a pass over the
/// whole picture, so a small file of hundreds of scans would take seconds.
inline constexpr int MaxJpegScans = 100;

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  ///< width * height pixels, 4 bytes each, rows top down
};

/// Decodes a picture whose format its first bytes tell as PNG or JPEG: the one road both the
/// window's picture box and the headless front end take. False, with `picture` empty, for
/// other formats (left to the window layer) and for damaged, cut-off or oversized data.
bool DecodePicture(std::string_view bytes, DecodedPicture& picture);

/// Decodes PNG bytes. False, with `picture` empty, for damaged, cut-off or oversized data.
bool DecodePng(std::string_view bytes, DecodedPicture& picture);
/// Decodes JPEG bytes. False, with `picture` empty, for damaged, cut-off or oversized data.
bool DecodeJpeg(std::string_view bytes, DecodedPicture& picture);

}  // namespace quillet
