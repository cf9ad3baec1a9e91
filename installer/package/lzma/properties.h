#pragma once
#include <cstddef>
#include <cstdint>

namespace lzma {

struct Properties {
    unsigned lc = 3;  // literal context bits, 0..8
    unsigned lp = 0;  // literal position bits, 0..4
    unsigned pb = 2;  // position bits, 0..4
    std::uint32_t dictionary_size = 1u << 23;
};

// The smallest dictionary the decoder works with; smaller declared sizes are raised to it.
constexpr std::uint32_t min_dictionary_size = 1u << 12;

// Reads the 5 property bytes (lc/lp/pb byte, then the little-endian dictionary size).
// Returns false, leaving `out` untouched, when the first byte is above 224.
bool parse_properties(const unsigned char* bytes, Properties& out);

// Entries in the probability table for these properties: 1846 for the match, repeat,
// length and distance models, then 768 per literal context.
std::size_t probability_count(const Properties& properties);

}  // namespace lzma
