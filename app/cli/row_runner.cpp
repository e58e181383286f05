#include "app/cli/row_runner.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillet::cli {

void RunInOrder(int count, int jobs, const std::function<void(int index)>& work,
                const std::function<void(int index)>& report) {
    if (count <= 0) return;
    std::mutex mutex;
    std::condition_variable finished;
    std::vector<bool> done(static_cast<std::size_t>(count), false);
    std::atomic<int> next{0};

    {
        std::vector<std::jthread> threads;
        const int threadCount = std::clamp(jobs, 1, count);
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&] {
                for (int index = next++; index < count; index = next++) {
                    work(index);
                    {
                        std::lock_guard lock(mutex);
                        done[static_cast<std::size_t>(index)] = true;
                    }
                    finished.notify_all();
                }
            });
        }
        for (int index = 0; index < count; ++index) {
            {
                std::unique_lock lock(mutex);
                finished.wait(lock, [&] { return done[static_cast<std::size_t>(index)]; });
            }
            report(index);
        }
    }  // the threads have nothing left and end here
}

}  // namespace quillet::cli
