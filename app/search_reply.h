#pragma once

// Reading the search reply: one record per match of the search pattern, with song name,
// artist and album cleaned of the characters file names cannot hold.

#include <vector>

#include "text/text_types.h"

namespace quillet {

struct SongRecord {
    Text rid;
    Text songName;
    Text artist;
    Text album;
};

struct SearchReply {
    bool patternWorked = false;  ///< false when the pattern engine failed on the reply
    std::vector<SongRecord> records;
};

/// Every record of a (GBK) search reply, in reply order.
SearchReply ReadSearchReply(std::string_view replyText);

/// The cleaning passes: each replaced character becomes exactly one blank (for the artist,
/// "&" becomes "、"); nothing is trimmed or collapsed.
Text CleanSongName(std::string_view name);
Text CleanArtist(std::string_view artist);
Text CleanAlbum(std::string_view album);

}  // namespace quillet
