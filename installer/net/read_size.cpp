#include "installer/net/read_size.h"

#include <algorithm>

std::uint32_t next_read_size(std::uint32_t bytes, unsigned ms) {
    if (ms == 0) return bytes == 0 ? SMALLEST_READ * 4 : LARGEST_READ;
    const std::uint64_t wanted = static_cast<std::uint64_t>(bytes) * READ_TARGET_MS / ms;
    // A power of two: the sizes stay few and the rounding never asks for a byte too many.
    std::uint32_t size = SMALLEST_READ;
    while (size < LARGEST_READ && size * 2ull <= wanted) size *= 2;
    return size;
}
