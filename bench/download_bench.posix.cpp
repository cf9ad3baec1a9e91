#include <sys/resource.h>

#include <cstddef>

std::size_t peak_memory_bytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}
