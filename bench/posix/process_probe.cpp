#include "bench/process_probe.h"

#include <sys/resource.h>

#include <ctime>

std::size_t peak_memory_bytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

// clock() counts every thread of the process here.
double process_cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
