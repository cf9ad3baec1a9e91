#pragma once
// The parallel loop: a pool of `threads` workers, the calling thread being one of them.
// The range is split into one contiguous chunk per worker; a worker that runs out takes
// the upper half of what another has not started yet. The first exception thrown by
// `body` stops every index that has not begun and is rethrown, unchanged, on the caller
// once all workers have stopped. A range of one index runs inline on the caller.
// `threads` 0 means one per processor.
#include <cstddef>
#include <functional>
#include <vector>

namespace parallel {

unsigned processor_count() noexcept;  // at least 1

void parallel_for(std::size_t begin, std::size_t end, const std::function<void(std::size_t)>& body,
                  unsigned threads = 0);

template <class T, class Body>
void parallel_for_each(std::vector<T>& items, Body&& body, unsigned threads = 0) {
    parallel_for(0, items.size(), [&](std::size_t i) { body(items[i]); }, threads);
}

}  // namespace parallel
