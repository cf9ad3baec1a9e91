#pragma once
// The two range decoders of the LZMA decoder. Both normalise after every bit, so between
// symbols range >= 2^24 and every byte a symbol needs has been read.
//
// FastRange reads its input without bounds checks: the caller guarantees that enough
// bytes follow for one symbol (model::required_input), and one more that may be read and
// not used. ProbeRange decodes the same bits without touching the probabilities and
// notes when it would read past its end.
#include <cstdint>

#include "installer/package/lzma/branch_free.h"
#include "installer/package/lzma/model.h"

namespace lzma::detail {

// Bit tree of `bits` levels, for either range decoder; nodes are indexed from 1.
template <unsigned bits, class Range>
LZMA_INLINE std::uint32_t tree(Range& rc, typename Range::probability_ptr probabilities) {
    std::uint32_t m = 1;
#pragma GCC unroll 8
    for (unsigned i = 0; i < bits; ++i) m = (m << 1) | rc.tree_bit(probabilities[m]);
    return m - (1u << bits);
}

// Bit tree whose first decoded bit is the least significant one.
template <class Range>
LZMA_INLINE std::uint32_t reverse_tree(Range& rc, typename Range::probability_ptr probabilities, unsigned bits) {
    std::uint32_t m = 1;
    std::uint32_t symbol = 0;
    for (unsigned i = 0; i < bits; ++i) {
        const unsigned b = rc.tree_bit(probabilities[m]);
        m = (m << 1) | b;
        symbol |= b << i;
    }
    return symbol;
}

// Bits of fixed probability one half, for either range decoder; count >= 1.
template <class Range>
LZMA_INLINE std::uint32_t direct_bits(Range& rc, unsigned count) {
    std::uint32_t result = 0;
    do {
        rc.range >>= 1;
        rc.code -= rc.range;
        // All ones when code was below range (the bit is 0), else zero.
        const std::uint32_t zero_mask = 0u - (rc.code >> 31);
        rc.code += rc.range & zero_mask;
        result = (result << 1) + (zero_mask + 1);
        rc.normalize();
    } while (--count);
    return result;
}

struct FastRange {
    using probability_ptr = model::probability*;

    std::uint32_t range;
    std::uint32_t code;
    const unsigned char* in;

    LZMA_INLINE void normalize() {
        if (range < model::top_value) {
            range <<= 8;
            code = (code << 8) | *in++;
        }
    }

    // For decisions: their outcome is usually predictable, so a branch is cheapest.
    LZMA_INLINE unsigned bit(model::probability& probability) {
        const std::uint32_t p = probability;
        const std::uint32_t bound = (range >> model::probability_bits) * p;
        unsigned result;
        if (code < bound) {
            range = bound;
            probability = model::probability(p + ((model::probability_one - p) >> model::move_bits));
            result = 0;
        } else {
            range -= bound;
            code -= bound;
            probability = model::probability(p - (p >> model::move_bits));
            result = 1;
        }
        normalize();
        return result;
    }

    // For tree levels, whose bits are close to random: no branch to mispredict, neither
    // on the bit nor on the normalisation after it (branch_free.h).
    LZMA_INLINE unsigned tree_bit(model::probability& probability) {
        const std::uint32_t p = probability;
        const std::uint32_t zero_mask = split(range, code, (range >> model::probability_bits) * p);
        // A 0 moves p up by (2048 - p) >> 5, a 1 down by p >> 5: one arithmetic shift
        // of p minus a target (2048 - 31 rounds the same way as the shift up would).
        const std::uint32_t target = zero_mask & (model::probability_one - ((1u << model::move_bits) - 1));
        probability = model::probability(p - std::uint32_t(std::int32_t(p - target) >> model::move_bits));
        normalize_always_reading(range, code, in);
        return zero_mask + 1;
    }

    // Bits of fixed probability one half; count >= 1.
    LZMA_INLINE std::uint32_t direct(unsigned count) { return direct_bits(*this, count); }
};

struct ProbeRange {
    using probability_ptr = const model::probability*;

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

    unsigned tree_bit(std::uint32_t probability) { return bit(probability); }

    // The same code as FastRange::direct, so that a corrupt code (not below range) takes
    // the same path in both and the probe reads exactly the bytes the real decode will.
    std::uint32_t direct(unsigned count) { return direct_bits(*this, count); }
};

}  // namespace lzma::detail
