#include "installer/package/large_buffer.h"

#include <windows.h>

#include <cstdint>

// Large pages on Windows need a privilege that an installer does not hold, and must be
// asked for when the memory is reserved, not afterwards: nothing to do.
void prepare_large_buffer(void*, std::size_t) noexcept {}

// Windows makes a page at its first write and has no call that makes private pages
// ahead: a locked add of zero to one byte of each page is such a write and leaves the
// byte as it was.
void populate_large_buffer(void* data, std::size_t size) noexcept {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::uintptr_t page = info.dwPageSize ? info.dwPageSize : 4096;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + size;
    for (std::uintptr_t at = (begin + page - 1) & ~(page - 1); at < end; at += page)
        __atomic_fetch_add(reinterpret_cast<unsigned char*>(at), 0, __ATOMIC_RELAXED);
}
