// Resolving a song's address: the song's info reply, the address of the chosen quality, the
// artist picture and the file's size, written into the row's cells 5 to 7.

#include "app/main_window.h"
#include "app/song_commands.h"
#include "app/song_files.h"
#include "app/song_info_reply.h"
#include "app/texts.h"
#include "web/remote_file_size.h"
#include "web/winhttp_page_request.h"
#include "web/wininet_page_request.h"

namespace quillet {

void SongCommands::ResolveSongAddress(const ReportList::RowRef& row, std::stop_token stop) {
    // A search that empties the list meanwhile makes the writes below fall on no row.
    ReportList& list = runtime_.SongList();
    const Text rid = list.Cell(row, column::Rid);
    list.SetCell(row, column::Status, status::Resolving);

    const Text reply = WinHttpPageRequest(SongInfoAddress(hosts_, rid), {.proxy = hosts_.proxy});
    if (stop.stop_requested() || !ReplyHasMp3(reply)) {
        list.SetCell(row, column::Status, status::ResolveFailed);
        return;
    }
    Text address;
    if (runtime_.Controls().IsChecked(names::StandardQuality)) {
        address = StandardAddress(reply).value_or(Text());
    } else {
        address = FetchPageText(ConvertAddress(hosts_, rid), hosts_.proxy);
    }
    if (address.empty()) {
        list.SetCell(row, column::Status, status::ResolveFailed);
        return;
    }
    const Text size = SizeText(RemoteFileSize(address, hosts_.proxy));
    list.SetCell(row, column::Status, address);
    list.SetCell(row, column::ArtistPicture, ArtistPictureAddress(reply));
    list.SetCell(row, column::Size, size);
}

}  // namespace quillet
