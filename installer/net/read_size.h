#pragma once
// How much the downloader asks for in one read: about a tenth of a second's worth at the
// speed the last read came in, so that a fast transfer pays few hand-overs between
// threads and a slow one still shows progress (and shows it is alive) several times a
// second.
#include <cstdint>

constexpr std::uint32_t SMALLEST_READ = 16384;
constexpr std::uint32_t LARGEST_READ = 1u << 20;
constexpr unsigned READ_TARGET_MS = 100;

// bytes: what the last read brought; ms: how long it took (0: no measure yet).
std::uint32_t next_read_size(std::uint32_t bytes, unsigned ms);
