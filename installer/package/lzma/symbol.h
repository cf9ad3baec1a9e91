#pragma once
// One LZMA symbol: the decisions of the format, written once. The range decoder decides
// what a bit costs (FastRange adapts the probabilities and trusts the input; ProbeRange
// only looks), and the sink decides what a decoded symbol does (write it, or just note
// its kind), so the real decode and the probe of a symbol at the input's end can never
// take different paths.
#include <cstdint>

#include "installer/package/lzma/model.h"
#include "installer/package/lzma/range_decoder.h"

namespace lzma::detail {

// The part of the coder state that a symbol changes besides the range decoder.
struct History {
    unsigned state;
    std::uint32_t rep0, rep1, rep2, rep3;
};

struct LiteralLayout {
    unsigned lc;
    std::uint32_t pb_mask;
    // Selects the lp low bits of the position and the lc high bits of the previous byte
    // from (position << 8) | previous byte.
    std::uint32_t literal_mask;
};

template <class Range>
LZMA_INLINE std::uint32_t decode_length(Range& rc, typename Range::probability_ptr coder, unsigned pos_state) {
    if (rc.bit(coder[model::length::choice]) == 0)
        return tree<3>(rc, coder + model::length::low + (pos_state << 3));
    if (rc.bit(coder[model::length::choice2]) == 0)
        return 8 + tree<3>(rc, coder + model::length::mid + (pos_state << 3));
    return 16 + tree<8>(rc, coder + model::length::high);
}

// Sink interface:
//   std::uint32_t processed() const      bytes decoded so far (the position)
//   unsigned previous_byte() const       last byte written, 0 at the start
//   unsigned byte_at(std::uint32_t d)    the byte d back (d <= processed)
//   void literal(unsigned byte)
//   void short_rep(std::uint32_t rep0)   one byte from rep0
//   void rep_begins()                    a repeat match is signalled (before its bits)
//   void match_distance(std::uint32_t)   a new match's distance, before reps shift
//   void end_mark(std::uint32_t length)
//   void copy(std::uint32_t length, std::uint32_t rep0)   a match from rep0
template <class Range, class Sink>
LZMA_INLINE void decode_symbol(Range& rc, typename Range::probability_ptr probs, const LiteralLayout& layout,
                               History& h, Sink& sink) {
    const std::uint32_t processed = sink.processed();
    const unsigned pos_state = processed & layout.pb_mask;
    const unsigned state = h.state;

    if (rc.bit(probs[model::is_match + (state << 4) + pos_state]) == 0) {
        const typename Range::probability_ptr lit =
            probs + model::literal +
            3 * ((((processed << 8) | sink.previous_byte()) & layout.literal_mask) << layout.lc);
        unsigned symbol = 1;
        if (state < model::literal_states) {
            // Always 8 bits: unrolled, each bit without a branch.
#pragma GCC unroll 8
            for (int i = 0; i < 8; ++i) symbol = (symbol << 1) | rc.tree_bit(lit[symbol]);
        } else {
            // While the decoded bits equal the byte at rep0, the matched half of the
            // table is used; `offset` drops to 0 at the first difference.
            unsigned match_byte = sink.byte_at(h.rep0);
            unsigned offset = 0x100;
#pragma GCC unroll 8
            for (int i = 0; i < 8; ++i) {
                match_byte <<= 1;
                const unsigned match_bit = match_byte & offset;
                const unsigned b = rc.tree_bit(lit[offset + match_bit + symbol]);
                symbol = (symbol << 1) | b;
                offset &= ~(match_bit ^ (b << 8));
            }
        }
        h.state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
        sink.literal(symbol & 0xFF);
        return;
    }

    std::uint32_t length;
    if (rc.bit(probs[model::is_rep + state]) == 0) {
        length = decode_length(rc, probs + model::len_coder, pos_state);
        h.state = state < model::literal_states ? 7 : 10;
        const unsigned len_state = length < 3 ? length : 3;
        const std::uint32_t slot = tree<6>(rc, probs + model::pos_slot + (len_state << 6));
        std::uint32_t distance = slot;
        if (slot >= 4) {
            const unsigned direct_bits = (slot >> 1) - 1;
            distance = (2 | (slot & 1)) << direct_bits;
            if (slot < model::end_pos_model_index) {
                distance += reverse_tree(rc, probs + model::spec_pos + distance - slot - 1, direct_bits);
            } else {
                distance += rc.direct(direct_bits - 4) << 4;
                distance += reverse_tree(rc, probs + model::align, 4);
                if (distance == 0xFFFFFFFFu) {
                    sink.end_mark(length);
                    return;
                }
            }
        }
        sink.match_distance(distance);
        h.rep3 = h.rep2;
        h.rep2 = h.rep1;
        h.rep1 = h.rep0;
        h.rep0 = distance + 1;
    } else {
        sink.rep_begins();
        if (rc.bit(probs[model::is_rep_g0 + state]) == 0) {
            if (rc.bit(probs[model::is_rep0_long + (state << 4) + pos_state]) == 0) {
                h.state = state < model::literal_states ? 9 : 11;
                sink.short_rep(h.rep0);
                return;
            }
        } else {
            std::uint32_t distance;
            if (rc.bit(probs[model::is_rep_g1 + state]) == 0) {
                distance = h.rep1;
            } else {
                if (rc.bit(probs[model::is_rep_g2 + state]) == 0) {
                    distance = h.rep2;
                } else {
                    distance = h.rep3;
                    h.rep3 = h.rep2;
                }
                h.rep2 = h.rep1;
            }
            h.rep1 = h.rep0;
            h.rep0 = distance;
        }
        length = decode_length(rc, probs + model::rep_len_coder, pos_state);
        h.state = state < model::literal_states ? 8 : 11;
    }
    sink.copy(length + 2, h.rep0);
}

}  // namespace lzma::detail
