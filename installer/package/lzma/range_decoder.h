#pragma once
// The two range decoders of the LZMA decoder. Both normalise after every bit, so between
// symbols range >= 2^24 and every byte a symbol needs has been read.
//
// FastRange reads its input without bounds checks: the caller guarantees that enough
// bytes follow for one symbol (model::required_input). ProbeRange decodes the same
// bits without touching the probabilities and notes when it would read past its end.
#include <cstdint>

#include "installer/package/lzma/model.h"

#if defined(__GNUC__)
#define LZMA_INLINE inline __attribute__((always_inline))
#else
#define LZMA_INLINE inline
#endif

namespace lzma::detail {

struct FastRange {
    std::uint32_t range;
    std::uint32_t code;
    const unsigned char* in;

    LZMA_INLINE void normalize() {
        if (range < model::top_value) {
            range <<= 8;
            code = (code << 8) | *in++;
        }
    }

    LZMA_INLINE unsigned bit(std::uint32_t& probability) {
        const std::uint32_t p = probability;
        const std::uint32_t bound = (range >> model::probability_bits) * p;
        unsigned result;
        if (code < bound) {
            range = bound;
            probability = p + ((model::probability_one - p) >> model::move_bits);
            result = 0;
        } else {
            range -= bound;
            code -= bound;
            probability = p - (p >> model::move_bits);
            result = 1;
        }
        normalize();
        return result;
    }

    // Bit tree of `bits` levels; nodes are indexed from 1.
    template <unsigned bits>
    LZMA_INLINE std::uint32_t tree(std::uint32_t* probabilities) {
        std::uint32_t m = 1;
        for (unsigned i = 0; i < bits; ++i) m = (m << 1) | bit(probabilities[m]);
        return m - (1u << bits);
    }

    // Bit tree whose first decoded bit is the least significant one.
    LZMA_INLINE std::uint32_t reverse_tree(std::uint32_t* probabilities, unsigned bits) {
        std::uint32_t m = 1;
        std::uint32_t symbol = 0;
        for (unsigned i = 0; i < bits; ++i) {
            const unsigned b = bit(probabilities[m]);
            m = (m << 1) | b;
            symbol |= b << i;
        }
        return symbol;
    }

    // Bits of fixed probability one half; count >= 1.
    LZMA_INLINE std::uint32_t direct(unsigned count) {
        std::uint32_t result = 0;
        do {
            range >>= 1;
            code -= range;
            // All ones when code was below range (the bit is 0), else zero.
            const std::uint32_t zero_mask = 0u - (code >> 31);
            code += range & zero_mask;
            result = (result << 1) + (zero_mask + 1);
            normalize();
        } while (--count);
        return result;
    }
};

struct ProbeRange {
    std::uint32_t range;
    std::uint32_t code;
    const unsigned char* in;
    const unsigned char* end;
    bool short_input = false;  // a byte past `end` was needed; the rest is meaningless

    void normalize() {
        if (range < model::top_value) {
            range <<= 8;
            if (in == end) {
                short_input = true;
                code <<= 8;
            } else {
                code = (code << 8) | *in++;
            }
        }
    }

    unsigned bit(std::uint32_t probability) {
        const std::uint32_t bound = (range >> model::probability_bits) * probability;
        unsigned result;
        if (code < bound) {
            range = bound;
            result = 0;
        } else {
            range -= bound;
            code -= bound;
            result = 1;
        }
        normalize();
        return result;
    }

    std::uint32_t tree(const std::uint32_t* probabilities, unsigned bits) {
        std::uint32_t m = 1;
        for (unsigned i = 0; i < bits; ++i) m = (m << 1) | bit(probabilities[m]);
        return m - (1u << bits);
    }

    void reverse_tree(const std::uint32_t* probabilities, unsigned bits) {
        std::uint32_t m = 1;
        for (unsigned i = 0; i < bits; ++i) m = (m << 1) | bit(probabilities[m]);
    }

    // Same arithmetic as FastRange::direct, so that a corrupt code (not below range)
    // takes the same path in both and the probe reads exactly the bytes the real decode will.
    void direct(unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            range >>= 1;
            code -= range;
            code += range & (0u - (code >> 31));
            normalize();
        }
    }
};

}  // namespace lzma::detail
