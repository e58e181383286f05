#include "runtime/worker_group.h"

#include <system_error>
#include <utility>

namespace quillet {

WorkerGroup::WorkerGroup()
    : state_(std::make_shared<State>()),
      starter_([](std::function<void()> body) { return std::jthread(std::move(body)); }) {}

WorkerGroup::~WorkerGroup() {
    RequestStopAndWait();
}

void WorkerGroup::SetThreadStarter(ThreadStarter starter) {
    std::lock_guard lock(workersMutex_);
    starter_ = std::move(starter);
}

void WorkerGroup::JoinFinished() {
    // Called with workersMutex_ held; a finished thread only has its last instructions left.
    for (auto it = workers_.begin(); it != workers_.end();) {
        bool done = false;
        {
            std::lock_guard lock(state_->mutex);
            done = *it->finished;
        }
        if (done) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

bool WorkerGroup::Start(Routine routine) {
    std::lock_guard workersLock(workersMutex_);
    JoinFinished();
    std::shared_ptr<State> state = state_;
    auto finished = std::make_shared<bool>(false);
    std::stop_token token;
    {
        std::lock_guard lock(state->mutex);
        if (state->stop.stop_requested()) return false;
        token = state->stop.get_token();
        ++state->running;
    }
    auto body = [state, finished, token, routine = std::move(routine)] {
        routine(token);
        std::lock_guard lock(state->mutex);
        *finished = true;
        if (--state->running == 0) state->idle.notify_all();
    };
    try {
        workers_.push_back({starter_(std::move(body)), finished});
    } catch (const std::system_error&) {
        std::lock_guard lock(state->mutex);
        if (--state->running == 0) state->idle.notify_all();
        return false;
    }
    return true;
}

int WorkerGroup::Running() const {
    std::lock_guard lock(state_->mutex);
    return state_->running;
}

bool WorkerGroup::WaitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(state_->mutex);
    return state_->idle.wait_for(lock, timeout, [this] { return state_->running == 0; });
}

bool WorkerGroup::RequestStopAndWait(std::chrono::milliseconds bound) {
    {
        std::lock_guard lock(state_->mutex);
        state_->stop.request_stop();
    }
    const bool idle = WaitUntilIdle(bound);
    std::lock_guard workersLock(workersMutex_);
    JoinFinished();
    // Whatever still runs keeps only the shared state alive and ends by itself.
    for (Worker& worker : workers_) worker.thread.detach();
    workers_.clear();
    return idle;
}

}  // namespace quillet
