#include "installer/package/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace parallel {
namespace {

// The not yet started part [next, end) of one worker's chunk. Other workers shrink
// `end` when they take its upper half, so both ends are guarded by the same mutex.
struct Chunk {
    std::mutex lock;
    std::size_t next = 0;
    std::size_t end = 0;
};

class Loop {
public:
    Loop(std::size_t begin, std::size_t end, unsigned workers,
         const std::function<void(std::size_t)>& body)
        : body_(body), chunks_(std::make_unique<Chunk[]>(workers)), workers_(workers) {
        const std::size_t count = end - begin;
        for (unsigned k = 0; k < workers; ++k) {
            chunks_[k].next = begin + count * k / workers;
            chunks_[k].end = begin + count * (k + 1) / workers;
        }
    }

    void work(unsigned self) {
        std::size_t index;
        while (!stopped_.load(std::memory_order_acquire) && take(self, index)) {
            try {
                body_(index);
            } catch (...) {
                std::lock_guard<std::mutex> guard(error_lock_);
                if (!error_) error_ = std::current_exception();
                stopped_.store(true, std::memory_order_release);
            }
        }
    }

    void stop() { stopped_.store(true, std::memory_order_release); }

    void rethrow_first_error() {
        if (error_) std::rethrow_exception(error_);
    }

private:
    bool take(unsigned self, std::size_t& index) {
        Chunk& own = chunks_[self];
        {
            std::lock_guard<std::mutex> guard(own.lock);
            if (own.next < own.end) {
                index = own.next++;
                return true;
            }
        }
        return steal(self, index);
    }

    // Takes the upper half of the unstarted part of another worker's chunk, keeps its
    // first index and makes the rest the worker's own chunk.
    bool steal(unsigned self, std::size_t& index) {
        for (unsigned step = 1; step < workers_; ++step) {
            Chunk& victim = chunks_[(self + step) % workers_];
            std::size_t from, to;
            {
                std::lock_guard<std::mutex> guard(victim.lock);
                if (victim.next >= victim.end) continue;
                from = victim.next + (victim.end - victim.next) / 2;
                to = victim.end;
                victim.end = from;
            }
            Chunk& own = chunks_[self];
            std::lock_guard<std::mutex> guard(own.lock);
            index = from;
            own.next = from + 1;
            own.end = to;
            return true;
        }
        return false;
    }

    const std::function<void(std::size_t)>& body_;
    std::unique_ptr<Chunk[]> chunks_;
    const unsigned workers_;
    std::atomic<bool> stopped_{false};
    std::mutex error_lock_;
    std::exception_ptr error_;
};

}  // namespace

unsigned processor_count() noexcept {
    const unsigned count = std::thread::hardware_concurrency();
    return count ? count : 1;
}

void parallel_for(std::size_t begin, std::size_t end, const std::function<void(std::size_t)>& body,
                  unsigned threads) {
    if (end <= begin) return;
    const std::size_t count = end - begin;
    if (count == 1) {
        body(begin);
        return;
    }
    const unsigned wanted = threads ? threads : processor_count();
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(wanted, count));

    Loop loop(begin, end, workers, body);
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    try {
        for (unsigned k = 1; k < workers; ++k) pool.emplace_back([&loop, k] { loop.work(k); });
    } catch (...) {
        // A thread that cannot be started: stop the loop, let the started ones finish.
        loop.stop();
        for (std::thread& t : pool) t.join();
        throw;
    }
    loop.work(0);  // the caller takes part as worker 0
    for (std::thread& t : pool) t.join();
    loop.rethrow_first_error();
}

}  // namespace parallel
