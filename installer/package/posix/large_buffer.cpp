#include "installer/package/large_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void prepare_large_buffer(void* data, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
    // Below a few huge pages the gain is lost in the rounding at both ends.
    constexpr std::size_t worthwhile = std::size_t(8) << 20;
    if (size < worthwhile) return;
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const std::uintptr_t mask = std::uintptr_t(page) - 1;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + mask) & ~mask;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~mask;
    // Best effort: where transparent huge pages are off the buffer keeps small pages.
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void populate_large_buffer(void* data, std::size_t size) noexcept {
#ifdef MADV_POPULATE_WRITE
    const long page = sysconf(_SC_PAGESIZE);
    if (page <= 0) return;
    const std::uintptr_t mask = std::uintptr_t(page) - 1;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + mask) & ~mask;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~mask;
    // Best effort: older kernels answer EINVAL and the pages are made at first write.
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}
