#pragma once
// CRC-32 of ZIP entries (reflected polynomial 0xEDB88320, initial and final value all
// ones), eight bytes per step through eight lookup tables, in three lanes side by side
// for buffers of 12 KiB and more.
#include <cstddef>
#include <cstdint>

// The CRC-32 of `size` bytes at `data`. `crc` is the CRC-32 of what came before, so a
// buffer may be checked in pieces: crc32_of(b, n, crc32_of(a, m)) is the CRC-32 of a then b.
std::uint32_t crc32_of(const void* data, std::size_t size, std::uint32_t crc = 0) noexcept;
