#pragma once

// The preview window's presenter: a song's artist picture beside a player for its address,
// under a caption naming the song.

#include "app/main_window.h"
#include "runtime/runtime.h"

namespace quillet {

namespace names {
inline constexpr std::string_view PreviewWindow = "PreviewWindow";
inline constexpr std::string_view PictureBox = "图片框1";
inline constexpr std::string_view BrowserBox = "超文本浏览框1";
}  // namespace names

inline constexpr WindowSpec PreviewWindowSpec{.name = names::PreviewWindow,
                                              .resource = ":/app/preview_window.ui",
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
    /// program's folder, the caption and the picture (GUI thread).
    void Show(Song song);

  private:
    Runtime& runtime_;
    const Text proxy_;
    Song song_;
};

}  // namespace quillet
