// The search-reply and song-info readers, and the paths and page built from what they read.

#include <algorithm>

#include "app/player_page.h"
#include "app/search_reply.h"
#include "app/song_files.h"
#include "app/song_info_reply.h"
#include "fuzz/fuzz_input.h"

using namespace quillet;
using quillet::fuzz::Check;

namespace {

constexpr std::string_view Folder = "/music/\xCF\xC2\xD4\xD8";  // 下载

// The path must name a file directly inside the folder.
void CheckFileInFolder(const Text& path) {
    Check(path.compare(0, Folder.size(), Folder) == 0 && path[Folder.size()] == '/',
          "the path starts with the folder");
    const std::string_view name = std::string_view(path).substr(Folder.size() + 1);
    Check(name.find('/') == std::string_view::npos, "no / in a file-name part");
    Check(name.find('\0') == std::string_view::npos, "no NUL in a file-name part");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string reply = input.Rest();

    const SearchReply search = ReadSearchReply(reply);
    Check(search.patternWorked, "the search pattern works on any reply");
    for (const SongRecord& record : search.records) {
        CheckFileInFolder(SongFilePath(Folder, record.artist, record.songName));
        CheckFileInFolder(TemporaryFilePath(Folder, record.rid));
    }

    // Whatever the address holds, the page's only quotes are its own eight.
    const std::optional<Text> address = StandardAddress(reply);
    if (address) {
        Check(address->rfind("http://", 0) == 0, "an address starts with http://");
        const Text page = PlayerPage(*address);
        Check(std::count(page.begin(), page.end(), '"') == 8, "no quote of the reply in the page");
    }
    const Text page = PlayerPage(reply);
    Check(std::count(page.begin(), page.end(), '"') == 8, "no quote of the reply in the page");
    ArtistPictureAddress(reply);
    ReplyHasMp3(reply);
    return 0;
}
