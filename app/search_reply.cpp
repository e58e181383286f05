#include "app/search_reply.h"

#include "text/pattern_object.h"
#include "text/text_extraction.h"

namespace quillet {
namespace {

constexpr const char* SearchPattern =
    "rid':'(.*?)','songName':'(.*?)','album':'(.*?)','(.*?)artist':'(.*?)'";

}  // namespace

Text CleanSongName(std::string_view name) {
    const Text pass1 = ReplaceBatch(name, std::nullopt, 0, false, "?", " ", "\\", " ", "/", " ",
                                    ":", " ", "*", " ");
    return ReplaceBatch(pass1, std::nullopt, 0, false, "\"", " ", "<", " ", ">", " ", "|", " ");
}

Text CleanArtist(std::string_view artist) {
    const Text pass1 = ReplaceBatch(artist, std::nullopt, 0, false, "&", "\xA1\xA2" /* 、 */, "?",
                                    " ", "\\", " ", "/", " ", ":", " ");
    return ReplaceBatch(pass1, std::nullopt, 0, false, "\"", " ", "<", " ", ">", " ", "|", " ", "*",
                        " ");
}

Text CleanAlbum(std::string_view album) {
    return ReplaceBatch(album, std::nullopt, 0, false, "?", " ");
}

SearchReply ReadSearchReply(std::string_view replyText) {
    SearchReply reply;
    PatternObject pattern;
    reply.patternWorked = pattern.Create(SearchPattern, replyText, false, false, true, true);
    const int count = pattern.MatchCount();
    reply.records.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        SongRecord record;
        record.songName = CleanSongName(pattern.SubMatchText(i, 2));
        record.artist = CleanArtist(pattern.SubMatchText(i, 5));
        record.album = CleanAlbum(pattern.SubMatchText(i, 3));
        record.rid = pattern.SubMatchText(i, 1);
        reply.records.push_back(std::move(record));
    }
    return reply;
}

}  // namespace quillet
