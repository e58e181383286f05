#include "runtime/worker_group.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <system_error>

namespace quillet {
namespace {

using namespace std::chrono_literals;

TEST(WorkerGroup, RunsEachRoutineOnItsOwnThreadAndCountsThem) {
    WorkerGroup group;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    std::atomic<int> ran{0};
    const auto caller = std::this_thread::get_id();
    std::atomic<bool> elsewhere{true};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(group.Start([&, gate](std::stop_token) {
            if (std::this_thread::get_id() == caller) elsewhere = false;
            gate.wait();
            ++ran;
        }));
    }
    EXPECT_EQ(group.Running(), 5);
    EXPECT_FALSE(group.WaitUntilIdle(20ms));  // all five held at the gate
    release.set_value();
    ASSERT_TRUE(group.WaitUntilIdle(10s));
    EXPECT_EQ(ran.load(), 5);
    EXPECT_TRUE(elsewhere);
    EXPECT_EQ(group.Running(), 0);
    EXPECT_TRUE(group.Start([&](std::stop_token) { ++ran; }));  // the group goes on after idle
    ASSERT_TRUE(group.WaitUntilIdle(10s));
    EXPECT_EQ(ran.load(), 6);
}

TEST(WorkerGroup, StopReachesEveryWorkerAndRefusesNewOnes) {
    WorkerGroup group;
    std::atomic<int> stopped{0};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(group.Start([&](std::stop_token stop) {
            while (!stop.stop_requested()) std::this_thread::yield();
            ++stopped;
        }));
    }
    EXPECT_TRUE(group.RequestStopAndWait(10s));
    EXPECT_EQ(stopped.load(), 3);
    bool ran = false;
    EXPECT_FALSE(group.Start([&](std::stop_token) { ran = true; }));
    EXPECT_FALSE(ran);
}

// A worker that ignores the stop request holds the exit up only for the bound.
TEST(WorkerGroup, StopWaitsNoLongerThanItsBound) {
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> gate = release->get_future().share();
    {
        WorkerGroup group;
        ASSERT_TRUE(group.Start([gate](std::stop_token) { gate.wait(); }));
        const auto before = std::chrono::steady_clock::now();
        EXPECT_FALSE(group.RequestStopAndWait(100ms));
        EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
        EXPECT_EQ(group.Running(), 1);
    }
    release->set_value();  // the straggler ends after its group has gone
}

TEST(WorkerGroup, AThreadThatCannotStartIsReportedNotThrown) {
    WorkerGroup group;
    group.SetThreadStarter([](std::function<void()>) -> std::jthread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    bool ran = false;
    EXPECT_FALSE(group.Start([&](std::stop_token) { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(group.Running(), 0);
    EXPECT_TRUE(group.WaitUntilIdle(0ms));
}

}  // namespace
}  // namespace quillet
