#include "installer/package/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
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

    bool has_unstarted() {
        if (stopped_.load(std::memory_order_acquire)) return false;
        for (unsigned k = 0; k < workers_; ++k) {
            std::lock_guard<std::mutex> guard(chunks_[k].lock);
            if (chunks_[k].next < chunks_[k].end) return true;
        }
        return false;
    }

    void stop() { stopped_.store(true, std::memory_order_release); }

    void rethrow_first_error() {
        if (error_) std::rethrow_exception(error_);
    }

    unsigned helpers = 0;  // guarded by the pool's lock

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

// The workers of one outermost loop. Loops started inside its iterations are listed here
// while they have a caller; a worker without indexes of its own helps them until every
// worker is out of its own iterations and no such loop is left.
struct Pool {
    explicit Pool(unsigned count) : workers(count), busy(count) {}
    const unsigned workers;
    std::mutex lock;
    std::condition_variable changed;
    unsigned busy;
    std::vector<Loop*> nested;
};

// What the current thread works for: the pool and its place in it, or the thread count of
// a one-index loop run inline.
struct Context {
    Pool* pool = nullptr;
    unsigned worker = 0;
    unsigned inline_threads = 0;
};

thread_local Context current;

class ContextScope {
public:
    explicit ContextScope(const Context& context) : saved_(current) { current = context; }
    ~ContextScope() { current = saved_; }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

private:
    Context saved_;
};

void help_until_done(Pool& pool, unsigned self) {
    std::unique_lock<std::mutex> guard(pool.lock);
    if (--pool.busy == 0) pool.changed.notify_all();
    for (;;) {
        Loop* open = nullptr;
        for (Loop* loop : pool.nested) {
            if (loop->has_unstarted()) {
                open = loop;
                break;
            }
        }
        if (open) {
            ++open->helpers;
            guard.unlock();
            open->work(self);
            guard.lock();
            if (--open->helpers == 0) pool.changed.notify_all();
            continue;
        }
        if (pool.busy == 0 && pool.nested.empty()) return;
        pool.changed.wait(guard);
    }
}

void run_worker(Loop& loop, Pool& pool, unsigned self) {
    ContextScope scope(Context{&pool, self, 0});
    loop.work(self);
    help_until_done(pool, self);
}

void run_nested(std::size_t begin, std::size_t end, const std::function<void(std::size_t)>& body) {
    Pool& pool = *current.pool;
    Loop loop(begin, end, pool.workers, body);
    {
        std::lock_guard<std::mutex> guard(pool.lock);
        pool.nested.push_back(&loop);
    }
    pool.changed.notify_all();
    loop.work(current.worker);
    {
        // Helpers still inside an index keep the loop alive until they leave it.
        std::unique_lock<std::mutex> guard(pool.lock);
        pool.nested.erase(std::find(pool.nested.begin(), pool.nested.end(), &loop));
        pool.changed.wait(guard, [&] { return loop.helpers == 0; });
    }
    pool.changed.notify_all();
    loop.rethrow_first_error();
}

}  // namespace

unsigned processor_count() noexcept {
    const unsigned count = std::thread::hardware_concurrency();
    return count ? count : 1;
}

unsigned available_workers() noexcept {
    if (current.pool) return current.pool->workers;
    return current.inline_threads ? current.inline_threads : processor_count();
}

void parallel_for(std::size_t begin, std::size_t end, const std::function<void(std::size_t)>& body,
                  unsigned threads) {
    if (end <= begin) return;
    const std::size_t count = end - begin;
    const unsigned wanted = threads ? threads : available_workers();
    if (count == 1) {
        if (current.pool) {
            body(begin);
        } else {
            ContextScope scope(Context{nullptr, 0, wanted});
            body(begin);
        }
        return;
    }
    if (current.pool && threads != 1) {
        run_nested(begin, end, body);
        return;
    }
    if (wanted == 1) {
        ContextScope scope(current.pool ? current : Context{nullptr, 0, 1});
        for (std::size_t i = begin; i < end; ++i) body(i);
        return;
    }
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(wanted, count));

    Loop loop(begin, end, workers, body);
    Pool pool(workers);
    std::vector<std::thread> threads_started;
    threads_started.reserve(workers - 1);
    try {
        for (unsigned k = 1; k < workers; ++k)
            threads_started.emplace_back([&loop, &pool, k] { run_worker(loop, pool, k); });
    } catch (...) {
        // A thread that cannot be started: stop the loop, let the started ones finish
        // (the workers never started count as done with their own indexes).
        loop.stop();
        {
            std::lock_guard<std::mutex> guard(pool.lock);
            pool.busy -= workers - static_cast<unsigned>(threads_started.size());
        }
        pool.changed.notify_all();
        for (std::thread& t : threads_started) t.join();
        throw;
    }
    run_worker(loop, pool, 0);  // the caller takes part as worker 0
    for (std::thread& t : threads_started) t.join();
    loop.rethrow_first_error();
}

}  // namespace parallel
