#pragma once

// Reading the song-info reply and describing what it points to.

#include <cstdint>
#include <optional>

#include "text/text_types.h"

namespace quillet {

/// True when ".mp3" occurs anywhere in the reply (exact case), the service's sign that the
/// song can be had.
bool ReplyHasMp3(std::string_view reply);

/// The standard-quality address, "http://" + mp3dl + "/resource/" + mp3path; none when either
/// element is missing or empty, since such an address could never be fetched.
std::optional<Text> StandardAddress(std::string_view reply);

/// The artist picture's address, empty when the reply has none.
Text ArtistPictureAddress(std::string_view reply);

/// The size in units of 1048576 bytes, rounded to two decimals and printed in shortest form:
/// "3.5MB", "5MB", "3.46MB", "0MB" (never "4.00MB").
Text SizeText(std::int64_t bytes);

}  // namespace quillet
