#include "runtime/qt/player_thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QThread>
#include <atomic>

namespace quillet {
namespace {

std::atomic<PlayerEngineMaker> linkedMaker = nullptr;

// The module beside the program (the build tree, an unpacked copy) or in the library folder
// of an installed one. Never unloaded: engines made by it live until the program ends.
PlayerEngineMaker LoadModuleMaker() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& path :
         {programDir.filePath(QStringLiteral("quillet-player.so")),
          programDir.filePath(QStringLiteral(QUILLET_PLAYER_FROM_BIN "/quillet-player.so"))}) {
        QLibrary module(path);
        module.setLoadHints(QLibrary::PreventUnloadHint);
        if (auto maker = reinterpret_cast<PlayerEngineMaker>(module.resolve(PlayerEngineEntry))) {
            return maker;
        }
    }
    return nullptr;
}

class PlayerThread {
  public:
    /// The running thread, started on the first call; stopped when the application ends.
    static PlayerThread& Get() {
        if (!running) {
            running = new PlayerThread;
            qAddPostRoutine(&PlayerThread::StopRunning);
        }
        return *running;
    }

    /// Runs `work` on the thread, after the work posted before it.
    void Post(std::function<void()> work) {
        QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
    }

    /// Makes an engine; on the thread only.
    PlayerEngine* Make(PlayerReports reports) {
        if (PlayerEngineMaker linked = linkedMaker.load()) return linked(std::move(reports));
        if (!moduleLoaded_) {
            moduleMaker_ = LoadModuleMaker();
            moduleLoaded_ = true;
        }
        return moduleMaker_ ? moduleMaker_(std::move(reports)) : nullptr;
    }

  private:
    PlayerThread() {
        thread_.setObjectName(QStringLiteral("quillet player"));
        context_.moveToThread(&thread_);
        thread_.start();
    }

    ~PlayerThread() {
        // What was posted before runs first (engines of closed boxes are deleted there).
        QMetaObject::invokeMethod(
            &context_, [] {}, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

    static void StopRunning() {
        delete running;
        running = nullptr;
    }

    static inline PlayerThread* running = nullptr;
    QThread thread_;
    QObject context_;  // lives on the thread; posted work runs in its name
    PlayerEngineMaker moduleMaker_ = nullptr;
    bool moduleLoaded_ = false;
};

}  // namespace

struct PlayerEngineHandle::Slot {
    std::unique_ptr<PlayerEngine> engine;  // made, used and deleted on the player thread
};

void UsePlayerEngineMaker(PlayerEngineMaker maker) {
    linkedMaker = maker;
}

PlayerEngineHandle::PlayerEngineHandle(PlayerReports reports, std::function<void()> unavailable)
    : slot_(std::make_shared<Slot>()) {
    PlayerThread::Get().Post([slot = slot_, reports = std::move(reports),
                              unavailable = std::move(unavailable)]() mutable {
        slot->engine.reset(PlayerThread::Get().Make(std::move(reports)));
        if (!slot->engine && unavailable) unavailable();
    });
}

PlayerEngineHandle::~PlayerEngineHandle() {
    PlayerThread::Get().Post([slot = std::move(slot_)] { slot->engine.reset(); });
}

void PlayerEngineHandle::Send(std::function<void(PlayerEngine&)> call) {
    PlayerThread::Get().Post([slot = slot_, call = std::move(call)] {
        if (slot->engine) call(*slot->engine);
    });
}

}  // namespace quillet
