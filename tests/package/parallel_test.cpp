#include "installer/package/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

std::vector<int> run_counts(std::size_t begin, std::size_t end, unsigned threads) {
    std::vector<std::atomic<int>> counts(end);
    parallel::parallel_for(begin, end, [&](std::size_t i) { counts[i].fetch_add(1); }, threads);
    std::vector<int> result;
    for (auto& c : counts) result.push_back(c.load());
    return result;
}

}  // namespace

TEST(ParallelFor, RunsEveryIndexExactlyOnce) {
    for (unsigned threads : {0u, 1u, 2u, 3u, 8u, 64u}) {
        for (std::size_t count : {2u, 3u, 7u, 100u, 1000u}) {
            const std::vector<int> counts = run_counts(5, 5 + count, threads);
            for (std::size_t i = 0; i < counts.size(); ++i)
                ASSERT_EQ(i < 5 ? 0 : 1, counts[i]) << "index " << i << " threads " << threads;
        }
    }
}

TEST(ParallelFor, EmptyRangeDoesNothingAndOneIndexRunsOnTheCaller) {
    bool called = false;
    parallel::parallel_for(3, 3, [&](std::size_t) { called = true; });
    parallel::parallel_for(4, 3, [&](std::size_t) { called = true; });
    EXPECT_FALSE(called);

    std::thread::id ran_on;
    parallel::parallel_for(9, 10, [&](std::size_t i) {
        EXPECT_EQ(9u, i);
        ran_on = std::this_thread::get_id();
    }, 8);
    EXPECT_EQ(std::this_thread::get_id(), ran_on);
}

TEST(ParallelFor, OneThreadRunsEverythingOnTheCallerInOrder) {
    std::vector<std::size_t> order;
    const auto caller = std::this_thread::get_id();
    parallel::parallel_for(0, 50, [&](std::size_t i) {
        EXPECT_EQ(caller, std::this_thread::get_id());
        order.push_back(i);
    }, 1);
    ASSERT_EQ(50u, order.size());
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(i, order[i]);
}

TEST(ParallelFor, IdleWorkerTakesOverTheUnstartedPartOfABusyChunk) {
    // Worker 0's chunk is [0, 20) and its first index blocks until another worker has
    // run an index from that chunk: only stealing can release it.
    std::atomic<bool> stolen{false};
    std::mutex lock;
    std::map<std::size_t, std::thread::id> ran_on;
    const auto caller = std::this_thread::get_id();
    parallel::parallel_for(0, 40, [&](std::size_t i) {
        {
            std::lock_guard<std::mutex> guard(lock);
            ran_on[i] = std::this_thread::get_id();
        }
        if (i > 0 && i < 20 && std::this_thread::get_id() != caller) stolen = true;
        if (i == 0) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!stolen && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }, 2);
    EXPECT_TRUE(stolen);
    EXPECT_EQ(40u, ran_on.size());
}

TEST(ParallelFor, FirstExceptionStopsUnstartedIterationsAndReachesTheCaller) {
    for (unsigned threads : {1u, 2u, 4u}) {
        std::atomic<int> ran{0};
        try {
            parallel::parallel_for(0, 10000, [&](std::size_t i) {
                ran.fetch_add(1);
                if (i % 1000 == 0) throw std::runtime_error("boom " + std::to_string(i));
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }, threads);
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(0, std::string(e.what()).rfind("boom ", 0));
        }
        EXPECT_LT(ran.load(), 10000) << "threads " << threads;
        if (threads == 1) {
            EXPECT_EQ(1, ran.load());
        }
    }
}

TEST(ParallelFor, ExceptionTypeIsKept) {
    struct Custom {
        int value;
    };
    try {
        parallel::parallel_for(0, 64, [](std::size_t i) {
            if (i == 63) throw Custom{63};
        }, 4);
        FAIL() << "no exception";
    } catch (const Custom& c) {
        EXPECT_EQ(63, c.value);
    }
}

TEST(ParallelForEach, VisitsEveryElement) {
    std::vector<int> items(333, 1);
    parallel::parallel_for_each(items, [](int& v) { v *= 7; }, 3);
    for (int v : items) ASSERT_EQ(7, v);
}
