#include "installer/package/large_buffer.h"

// Large pages on Windows need a privilege that an installer does not hold, and must be
// asked for when the memory is reserved, not afterwards: nothing to do.
void prepare_large_buffer(void*, std::size_t) noexcept {}

// Windows makes its pages at first write: nothing to do.
void populate_large_buffer(void*, std::size_t) noexcept {}
