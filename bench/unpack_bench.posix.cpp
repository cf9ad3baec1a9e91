#include <ctime>

// CPU time of every thread of the process.
double process_cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
