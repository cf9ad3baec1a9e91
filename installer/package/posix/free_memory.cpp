#include "installer/package/memory_budget.h"

#include <unistd.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <string>

std::uint64_t free_memory_bytes() noexcept {
    // MemAvailable: what can be taken without swapping, page cache that can be dropped
    // included. Kernels before 3.14 lack it; then the free pages are all there is.
    try {
        std::ifstream meminfo("/proc/meminfo");
        for (std::string line; std::getline(meminfo, line);) {
            std::istringstream fields(line);
            std::string key;
            std::uint64_t kib = 0;
            if (fields >> key >> kib && key == "MemAvailable:") return kib * 1024;
        }
    } catch (...) {
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return std::numeric_limits<std::uint64_t>::max();
    return std::uint64_t(pages) * std::uint64_t(page_size);
}
