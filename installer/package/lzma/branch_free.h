#pragma once
// The two steps of a tree bit, without branches: its bits are close to random, so any
// branch on them is mispredicted half the time. Compilers turn the plain forms (a
// comparison and two choices) back into branches, so on x86 they are written out as
// conditional moves; elsewhere the portable forms, which do the same arithmetic, are used.
#include <cstdint>

#include "installer/package/lzma/model.h"

#if defined(__GNUC__)
#define LZMA_INLINE inline __attribute__((always_inline))
#else
#define LZMA_INLINE inline
#endif

namespace lzma::detail {

// Splits the range at `bound`: a 0 (code below bound) keeps [0, bound), a 1 the rest.
// Returns all ones for a 0, else zero.
LZMA_INLINE std::uint32_t split_portable(std::uint32_t& range, std::uint32_t& code, std::uint32_t bound) {
    // The borrow of a 64-bit subtraction gives the mask.
    const std::uint32_t zero_mask = std::uint32_t((std::uint64_t(code) - bound) >> 32);
    code -= bound & ~zero_mask;
    range = (bound & zero_mask) | ((range - bound) & ~zero_mask);
    return zero_mask;
}

// Shifts the next input byte into code when range fell below 2^24. The byte is read
// either way, so one byte past what the symbol uses must be readable.
LZMA_INLINE void normalize_portable(std::uint32_t& range, std::uint32_t& code, const unsigned char*& in) {
    const std::uint32_t needed = range < model::top_value;
    const unsigned shift = needed << 3;
    range <<= shift;
    code = (code << shift) | (std::uint32_t(*in) & (0u - needed));
    in += needed;
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))

LZMA_INLINE std::uint32_t split(std::uint32_t& range, std::uint32_t& code, std::uint32_t bound) {
    std::uint32_t range_if_one = range - bound;
    std::uint32_t code_if_one = code - bound;
    std::uint32_t zero_mask;
    __asm__("cmpl %[bound], %[code]\n\t"  // carry: code below bound
            "cmovbl %[bound], %[range]\n\t"
            "cmovbl %[code], %[code_if_one]\n\t"
            "sbbl %[mask], %[mask]"
            : [range] "+&r"(range_if_one), [code_if_one] "+&r"(code_if_one), [mask] "=&r"(zero_mask)
            : [bound] "r"(bound), [code] "r"(code)
            : "cc");
    range = range_if_one;
    code = code_if_one;
    return zero_mask;
}

LZMA_INLINE void normalize_always_reading(std::uint32_t& range, std::uint32_t& code, const unsigned char*& in) {
    const std::uint32_t range_shifted = range << 8;
    const std::uint32_t code_shifted = (code << 8) | *in;
    __asm__("cmpl %[top], %[range]\n\t"  // carry: range below 2^24
            "cmovbl %[range_shifted], %[range]\n\t"
            "cmovbl %[code_shifted], %[code]\n\t"
            "adc %[zero], %[in]"
            : [range] "+&r"(range), [code] "+&r"(code), [in] "+&r"(in)
            : [range_shifted] "r"(range_shifted), [code_shifted] "r"(code_shifted),
              [top] "i"(model::top_value), [zero] "i"(0)
            : "cc");
}

#else

LZMA_INLINE std::uint32_t split(std::uint32_t& range, std::uint32_t& code, std::uint32_t bound) {
    return split_portable(range, code, bound);
}

LZMA_INLINE void normalize_always_reading(std::uint32_t& range, std::uint32_t& code, const unsigned char*& in) {
    normalize_portable(range, code, in);
}

#endif

}  // namespace lzma::detail
