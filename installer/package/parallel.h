#pragma once
// The parallel loop: a pool of `threads` workers, the calling thread being one of them.
// The range is split into one contiguous chunk per worker; a worker that runs out takes
// the upper half of what another has not started yet. The first exception thrown by
// `body` stops every index that has not begun and is rethrown, unchanged, on the caller
// once all workers have stopped. A range of one index runs inline on the caller.
// `threads` 0 means one per processor.
//
// A loop started inside an iteration starts no threads of its own: its caller works on it
// and the running loop's workers join it as soon as they run out of their own indexes, so
// one large iteration still gets every worker. Started inside the inline run of a
// one-index loop, it gets that loop's number of threads.
#include <cstddef>
#include <functional>
#include <vector>

namespace parallel {

unsigned processor_count() noexcept;  // at least 1

// How many workers a loop started here with `threads` 0 would get, at most.
unsigned available_workers() noexcept;

void parallel_for(std::size_t begin, std::size_t end, const std::function<void(std::size_t)>& body,
                  unsigned threads = 0);

template <class T, class Body>
void parallel_for_each(std::vector<T>& items, Body&& body, unsigned threads = 0) {
    parallel_for(0, items.size(), [&](std::size_t i) { body(items[i]); }, threads);
}

}  // namespace parallel
