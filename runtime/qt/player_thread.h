#pragma once

// The thread the sound players live on. It starts with the first player box and loads the
// quillet-player module there, so that neither the program's start nor the window waits for
// Qt Multimedia, GStreamer or a stream being set up or torn down.

#include <functional>
#include <memory>

#include "runtime/qt/player_engine.h"

namespace quillet {

/// Makes engines with `maker` instead of loading the module (programs that link the engine).
/// Call before the first player box is made.
void UsePlayerEngineMaker(PlayerEngineMaker maker);

/// An engine on the player thread, driven from the GUI thread. The engine is made on the
/// thread when this is constructed and deleted there when this is destroyed.
class PlayerEngineHandle {
  public:
    /// `unavailable` is called on the player thread when no engine can be made.
    PlayerEngineHandle(PlayerReports reports, std::function<void()> unavailable);
    ~PlayerEngineHandle();
    PlayerEngineHandle(const PlayerEngineHandle&) = delete;
    PlayerEngineHandle& operator=(const PlayerEngineHandle&) = delete;

    /// Runs `call` on the engine, on the player thread, after the calls sent before it; not
    /// at all when there is no engine.
    void Send(std::function<void(PlayerEngine&)> call);

  private:
    struct Slot;
    std::shared_ptr<Slot> slot_;
};

}  // namespace quillet
