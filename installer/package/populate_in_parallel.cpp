#include <algorithm>
#include <cstdint>

#include "installer/package/large_buffer.h"
#include "installer/package/parallel.h"

namespace {

constexpr std::uintptr_t piece = std::uintptr_t(4) << 20;

}  // namespace

void populate_in_parallel(void* data, std::size_t size) {
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + size;
    const std::uintptr_t first = begin & ~(piece - 1);
    parallel::parallel_for(0, (end - first + piece - 1) / piece, [&](std::size_t k) {
        const std::uintptr_t from = std::max(begin, first + k * piece);
        const std::uintptr_t to = std::min(end, first + (k + 1) * piece);
        populate_large_buffer(reinterpret_cast<char*>(from), to - from);
    });
}

void populate_ahead(void* data, std::size_t size, const std::atomic<std::size_t>& reached) {
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + size;
    for (std::uintptr_t from = begin; from < end;) {
        const std::uintptr_t to = std::min(end, (from & ~(piece - 1)) + piece);
        const std::uintptr_t start = std::max(from, begin + reached.load(std::memory_order_relaxed));
        if (start < to) populate_large_buffer(reinterpret_cast<char*>(start), to - start);
        from = to;
    }
}
