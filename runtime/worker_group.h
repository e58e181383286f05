#pragma once

// The threads the commands run on: one per command, as many as are asked for, each handed the
// group's stop token. The group counts them so that tests can wait until none runs and the
// program can ask them to stop, and wait a bounded time for them, before it ends.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace quillet {

class WorkerGroup {
  public:
    using Routine = std::function<void(std::stop_token stop)>;
    /// Starts a thread running `body`; throws std::system_error when no thread can be had.
    using ThreadStarter = std::function<std::jthread(std::function<void()> body)>;

    static constexpr std::chrono::milliseconds ExitBound{2000};

    WorkerGroup();
    /// Asks every worker to stop and waits for them up to ExitBound.
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    /// Runs `routine` on a new thread and returns at once. False when no thread could be
    /// started (the routine never runs) or the group is stopping.
    bool Start(Routine routine);
    /// Workers started and not yet finished.
    int Running() const;
    /// Waits until no worker runs; false when some still run after `timeout`.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    /// Asks every worker to stop, refuses new ones and waits up to `bound` for the running
    /// ones. False when some still ran then: those are left to end on their own.
    bool RequestStopAndWait(std::chrono::milliseconds bound = ExitBound);

    /// Replaces how threads are started (a test makes it fail).
    void SetThreadStarter(ThreadStarter starter);

  private:
    // Shared with the threads, so that one outliving a bounded wait finds it intact.
    struct State {
        mutable std::mutex mutex;
        std::condition_variable idle;
        int running = 0;
        std::stop_source stop;
    };
    struct Worker {
        std::jthread thread;
        std::shared_ptr<bool> finished;
    };
    void JoinFinished();

    std::shared_ptr<State> state_;
    std::mutex workersMutex_;
    std::list<Worker> workers_;
    ThreadStarter starter_;
};

}  // namespace quillet
