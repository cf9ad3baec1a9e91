#include "installer/package/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
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

TEST(ParallelFor, LoopInsideAnIterationIsWorkedByIdleWorkersWithoutNewThreads) {
    std::mutex lock;
    std::set<std::thread::id> outer_threads, inner_threads;
    std::vector<std::atomic<int>> counts(200);
    parallel::parallel_for(0, 2, [&](std::size_t i) {
        {
            std::lock_guard<std::mutex> guard(lock);
            outer_threads.insert(std::this_thread::get_id());
        }
        if (i != 0) return;  // the other worker is idle at once
        EXPECT_EQ(2u, parallel::available_workers());
        parallel::parallel_for(0, counts.size(), [&](std::size_t k) {
            counts[k].fetch_add(1);
            std::lock_guard<std::mutex> guard(lock);
            inner_threads.insert(std::this_thread::get_id());
            if (inner_threads.size() < 2) {
                // Hold the caller until the idle worker has joined (or time is up).
                lock.unlock();
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
                while (std::chrono::steady_clock::now() < deadline) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    std::lock_guard<std::mutex> again(lock);
                    if (inner_threads.size() >= 2) break;
                }
                lock.lock();
            }
        });
    }, 2);
    for (auto& c : counts) ASSERT_EQ(1, c.load());
    EXPECT_EQ(2u, inner_threads.size());
    std::set<std::thread::id> all = outer_threads;
    all.insert(inner_threads.begin(), inner_threads.end());
    EXPECT_EQ(2u, all.size()) << "the loop's own two workers, no more";
}

TEST(ParallelFor, NestedLoopsKeepTheThreadCountAndPassExceptionsOn) {
    // A one-index loop runs inline, but what it starts gets its thread count.
    parallel::parallel_for(0, 1, [](std::size_t) {
        EXPECT_EQ(3u, parallel::available_workers());
        std::mutex lock;
        std::set<std::thread::id> seen;
        parallel::parallel_for(0, 300, [&](std::size_t) {
            std::lock_guard<std::mutex> guard(lock);
            seen.insert(std::this_thread::get_id());
        });
        EXPECT_LE(seen.size(), 3u);
    }, 3);
    parallel::parallel_for(0, 1, [](std::size_t) { EXPECT_EQ(1u, parallel::available_workers()); }, 1);
    parallel::parallel_for(0, 5, [](std::size_t) { EXPECT_EQ(1u, parallel::available_workers()); }, 1);

    for (unsigned threads : {1u, 2u, 4u}) {
        std::atomic<int> inner_runs{0};
        try {
            parallel::parallel_for(0, 8, [&](std::size_t i) {
                parallel::parallel_for(0, 100, [&](std::size_t k) {
                    inner_runs.fetch_add(1);
                    if (i == 3 && k == 50) throw std::runtime_error("inner");
                });
            }, threads);
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ("inner", e.what());
        }
        EXPECT_GT(inner_runs.load(), 0);
    }
}
