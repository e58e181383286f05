#pragma once

// Small pictures made in the test itself, in each format the picture box knows.

#include <string>

namespace quillet::testing_support {

/// A width × height picture, left half red and right half blue, encoded as PNG or JPEG.
std::string MakePng(int width, int height);
std::string MakeJpeg(int width, int height);
/// The same picture as a progressive JPEG: about ten scans, or one scan per coefficient of each
/// component (190 scans) when scanPerCoefficient is set.
std::string MakeProgressiveJpeg(int width, int height, bool scanPerCoefficient);
/// A 1 × 1 GIF, and a 2 × 2 GIF with two frames that plays in a loop.
std::string TinyGif();
std::string AnimatedGif();

}  // namespace quillet::testing_support
