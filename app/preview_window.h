#pragma once

// The preview window's presenter: a song's artist picture beside a player for its address,
// under a caption naming the song.

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/main_window.h"
#include "runtime/runtime.h"

namespace quillet {

namespace names {
inline constexpr std::string_view PreviewWindow = "PreviewWindow";
inline constexpr std::string_view PictureBox = "图片框1";
inline constexpr std::string_view BrowserBox = "超文本浏览框1";
}  // namespace names

inline constexpr WindowSpec PreviewWindowSpec{.name = names::PreviewWindow,
                                              .owner = names::MainWindow};

class PreviewWindow {
  public:
    struct Song {
        Text address;         ///< the MP3's address
        Text title;           ///< "artist - song"
        Text pictureAddress;  ///< the artist picture's address; empty shows the placeholder
    };

    /// `proxy` ("host:port", empty for none) carries the picture's request.
    PreviewWindow(Runtime& runtime, Text proxy) : runtime_(runtime), proxy_(std::move(proxy)) {}

    /// Opens the window (or raises it) and shows the song: the player page written into the
    /// program's folder, the caption, and an empty picture box (GUI thread). The picture is
    /// fetched and decoded on a worker and shown when it arrives, unless another song is
    /// shown by then; without a picture address the placeholder shows at once.
    void Show(Song song);

  private:
    Runtime& runtime_;
    const Text proxy_;
    Song song_;
    /// Counts the songs shown; a picture arriving for an earlier count is dropped. Shared
    /// with the picture's worker and task, which may outlive the window's presenter.
    std::shared_ptr<std::atomic<std::uint64_t>> shown_ =
        std::make_shared<std::atomic<std::uint64_t>>(0);
};

}  // namespace quillet
