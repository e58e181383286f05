#pragma once

// The sound player behind the player box, apart from the box so that Qt Multimedia and the
// sound libraries are loaded only when the first preview needs them, and so that the player
// can work on a thread of its own: setting up and tearing down a stream takes GStreamer tens
// of milliseconds that the window must not wait for.

#include <QString>
#include <QUrl>
#include <functional>

namespace quillet {

/// What an engine reports. Each report carries the token of the Play it belongs to, so that
/// news of an earlier song is told apart. Called on the engine's thread.
struct PlayerReports {
    std::function<void(int token, bool playing)> playing;
    std::function<void(int token, qint64 milliseconds)> duration;
    std::function<void(int token, qint64 milliseconds)> position;
    /// The stream cannot be played; `text` says why, or is empty.
    std::function<void(int token, const QString& text)> failed;
};

/// One song at a time. Made, called and deleted on one thread, which runs an event loop.
class PlayerEngine {
  public:
    virtual ~PlayerEngine() = default;
    /// Stops the song playing and plays `song`.
    virtual void Play(const QUrl& song, int token) = 0;
    /// Pauses a playing song; plays a paused or stopped one again.
    virtual void Toggle() = 0;
    virtual void Seek(qint64 milliseconds) = 0;
    /// 0 to 1.
    virtual void SetVolume(float volume) = 0;
    /// Stops playing and lets go of the stream.
    virtual void Stop() = 0;
};

using PlayerEngineMaker = PlayerEngine* (*)(PlayerReports reports);

/// The name under which the quillet-player module exports its PlayerEngineMaker.
inline constexpr char PlayerEngineEntry[] = "quillet_make_player_engine";

/// The engine over Qt Multimedia, for programs that link it instead of loading the module.
PlayerEngine* MakeMediaPlayerEngine(PlayerReports reports);

}  // namespace quillet
