#include "app/preview_window.h"

#include "app/placeholder_picture.h"
#include "app/player_page.h"
#include "runtime/file_ops.h"
#include "runtime/http_download.h"
#include "runtime/program_folders.h"

namespace quillet {

void PreviewWindow::Show(Song song) {
    song_ = std::move(song);
    runtime_.LoadWindow(PreviewWindowSpec);
    const Text page = CacheFolder(runtime_.RunDirectory()) + "/" + Text(PlayerPageName);
    WriteWholeFile(page, PlayerPage(song_.address));  // a failed write shows the old page
    runtime_.SetBrowserAddress(names::BrowserBox, page);
    runtime_.SetCaption(names::PreviewWindow, song_.title);
    if (song_.pictureAddress.empty()) {
        runtime_.SetPicture(names::PictureBox, PlaceholderPicture());
    } else {
        runtime_.SetPicture(names::PictureBox, HttpDownloadBytes(song_.pictureAddress, proxy_));
    }
}

}  // namespace quillet
