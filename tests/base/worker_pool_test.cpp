#include "base/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vexilo {
namespace {

TEST(WorkerPool, ResultsComeBackByTicketWhateverWorkerFinishesFirst) {
    for (int threads : {0, 1, 4}) {
        std::atomic<int> onCaller{0};
        const auto caller = std::this_thread::get_id();
        WorkerPool<int, int> pool(threads, [&](int& n) {
            if (std::this_thread::get_id() == caller) ++onCaller;
            // Early jobs take longest, so workers finish out of order.
            std::this_thread::sleep_for(std::chrono::microseconds(200 * (20 - n % 20)));
            if (n == 7) throw std::runtime_error("seven");
            return n * n;
        });
        std::vector<std::size_t> tickets;
        for (int n = 0; n < 40; ++n) tickets.push_back(pool.submit(n));
        for (int n = 0; n < 40; ++n) {
            if (n == 7) {
                EXPECT_THROW(pool.take(tickets[7]), std::runtime_error);
            } else {
                EXPECT_EQ(pool.take(tickets[static_cast<std::size_t>(n)]), n * n) << threads;
            }
        }
        if (threads == 0) {
            EXPECT_EQ(onCaller, 40);
        }
    }
}

TEST(WorkerPool, DroppedJobsAreNeverDoneAndTheDestructorDoesNotWaitForThem) {
    std::atomic<int> done{0};
    {
        WorkerPool<int, int> pool(1, [&](int& n) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ++done;
            return n;
        });
        for (int n = 0; n < 200; ++n) pool.submit(n);
        const std::vector<std::size_t> dropped = pool.dropPending();
        // The ones answered are those a worker never started: the last of the queue.
        ASSERT_GE(dropped.size(), 198u);
        EXPECT_EQ(dropped.back(), 199u);
        const std::size_t firstDropped = dropped.front();
        if (firstDropped > 0) {
            // The started one finishes and says so.
            while (!pool.ready(firstDropped - 1)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_EQ(pool.take(firstDropped - 1), static_cast<int>(firstDropped - 1));
        }
    }
    EXPECT_LE(done, 2);
}

}  // namespace
}  // namespace vexilo
