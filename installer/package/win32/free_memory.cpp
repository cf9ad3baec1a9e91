#include "installer/package/memory_budget.h"

#include <windows.h>

#include <algorithm>
#include <limits>

std::uint64_t free_memory_bytes() noexcept {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return std::numeric_limits<std::uint64_t>::max();
    // An allocation fails when the commit limit is reached or no address range is left.
    return std::min<std::uint64_t>(status.ullAvailPageFile, status.ullAvailVirtual);
}
