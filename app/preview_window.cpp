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
    const std::uint64_t showing = ++*shown_;
    if (song_.pictureAddress.empty()) {
        runtime_.SetPicture(names::PictureBox, PlaceholderPicture());
        return;
    }
    runtime_.SetPicture(names::PictureBox, {});
    // A slow picture host must not hold the window up: the request and the decoding run on a
    // worker; the picture is shown only if this song is still the one shown.
    Runtime& runtime = runtime_;
    runtime_.StartWorker([&runtime, shown = shown_, showing, address = song_.pictureAddress,
                          proxy = proxy_](std::stop_token stop) {
        if (*shown != showing) return;
        const Bytes bytes = HttpDownloadBytes(address, proxy);
        if (stop.stop_requested() || *shown != showing) return;
        std::function<void()> show = runtime.PreparePicture(names::PictureBox, bytes);
        runtime.RunOnGuiThread([shown, showing, show = std::move(show)] {
            if (*shown == showing) show();
        });
    });
}

}  // namespace quillet
