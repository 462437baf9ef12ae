#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/RunLoop.h"
#include "platform/SleepHook.h"

namespace {

TEST(MainRunLoop, RunsInPostingOrderIncludingWhatWorkPostsItself) {
    std::vector<int> order;
    platform::PostToMainRunLoop([&] {
        order.push_back(1);
        platform::PostToMainRunLoop([&] { order.push_back(3); });
    });
    platform::PostToMainRunLoop([&] { order.push_back(2); });
    EXPECT_EQ(platform::RunMainRunLoopPending(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(platform::RunMainRunLoopPending(), 0u);
}

TEST(MainRunLoop, PostsFromOtherThreadsWakeTheMainThreadAndAllArrive) {
    std::atomic<int> wakeups{0};
    platform::SetMainRunLoopWakeup([&] { ++wakeups; });
    int ran = 0;  // touched on the main thread only
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i) platform::PostToMainRunLoop([&] { ++ran; });
        });
    for (auto& t : threads) t.join();
    platform::SetMainRunLoopWakeup({});
    EXPECT_EQ(wakeups, 1000);
    EXPECT_EQ(platform::RunMainRunLoopPending(), 1000u);
    EXPECT_EQ(ran, 1000);
    platform::PostToMainRunLoop([] {});
    EXPECT_EQ(wakeups, 1000);  // the wake-up was removed
    platform::RunMainRunLoopPending();
}

std::vector<uint32_t> g_slept;
void Record(uint32_t us) {
    g_slept.push_back(us);
}

TEST(SleepHook, TestsRecordSleepsAndNullRestoresTheRealSleep) {
    EXPECT_EQ(platform::SetSleepFunction(&Record), nullptr);
    platform::SleepMicroseconds(600000);
    platform::SleepMicroseconds(500);
    EXPECT_EQ(g_slept, (std::vector<uint32_t>{600000, 500}));
    EXPECT_EQ(platform::SetSleepFunction(nullptr), &Record);
    auto start = std::chrono::steady_clock::now();
    platform::SleepMicroseconds(2000);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(2000));
    EXPECT_EQ(g_slept.size(), 2u);
}

}  // namespace
