#pragma once
// What the benchmarks read of their own process, on either platform.
#include <cstddef>

// The largest resident set so far, in bytes.
std::size_t peak_memory_bytes();
// CPU time of every thread of the process so far.
double process_cpu_seconds();
