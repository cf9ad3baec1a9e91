#include "installer/package/large_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace {

// The whole pages inside [data, data + size): the range madvise may be given.
bool whole_pages(void* data, std::size_t size, void*& begin, std::size_t& length) noexcept {
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return false;
    const std::uintptr_t mask = std::uintptr_t(page) - 1;
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(data) + mask) & ~mask;
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~mask;
    if (to <= from) return false;
    begin = reinterpret_cast<void*>(from);
    length = to - from;
    return true;
}

}  // namespace

void prepare_large_buffer(void* data, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
    // Below a few huge pages the gain is lost in the rounding at both ends.
    constexpr std::size_t worthwhile = std::size_t(8) << 20;
    void* begin = nullptr;
    std::size_t length = 0;
    // Best effort: where transparent huge pages are off the buffer keeps small pages.
    if (size >= worthwhile && whole_pages(data, size, begin, length)) madvise(begin, length, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void populate_large_buffer(void* data, std::size_t size) noexcept {
#ifdef MADV_POPULATE_WRITE
    void* begin = nullptr;
    std::size_t length = 0;
    // Best effort: older kernels answer EINVAL and the pages are made at first write.
    if (whole_pages(data, size, begin, length)) madvise(begin, length, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}
