#pragma once

// Title, artist, album and a cover picture written into a finished MP3 file as an ID3v2.4
// tag, for files that carry no tag of their own.

#include <cstddef>
#include <string_view>

#include "text/text_types.h"

namespace quillet {

/// What goes into the tag: GBK texts, written as UTF-8 text frames; an empty one is left out.
struct SongTags {
    Text title;
    Text artist;
    Text album;
};

/// Cover pictures larger than this are left out of the tag.
inline constexpr std::size_t MaxCoverBytes = 1024 * 1024;

/// True when `bytes` can be the cover: a PNG or JPEG picture that decodes, at most
/// MaxCoverBytes long.
bool IsUsableCover(std::string_view bytes);

/// Puts an ID3v2.4 tag with `tags` (and `cover` as the front cover when IsUsableCover) in
/// front of the MP3 file at the GBK `path`, when the file has no ID3v2, ID3v1 or APE tag.
/// The rest of the file stays byte for byte; a file that has tags is left as it is. The
/// tagged file is written beside the old one and renamed over it, so a failure leaves the
/// file untouched. True when the file was tagged or needed nothing; false when it cannot be
/// read or written or holds no MPEG audio. Never throws.
bool AddSongTags(std::string_view path, const SongTags& tags, std::string_view cover);

}  // namespace quillet
