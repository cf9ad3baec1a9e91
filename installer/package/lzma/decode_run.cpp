// The inner decoder: symbols straight from the input without bounds checks. Every
// symbol starts with at least model::required_input bytes before the input's end (or
// was checked by try_symbol first), which covers the longest symbol.
#include <cstring>

#include "installer/package/lzma/decoder.h"
#include "installer/package/lzma/model.h"
#include "installer/package/lzma/range_decoder.h"

namespace lzma {

namespace {

using detail::FastRange;

LZMA_INLINE std::uint32_t decode_length(FastRange& rc, std::uint32_t* coder, unsigned pos_state) {
    if (rc.bit(coder[model::length::choice]) == 0)
        return rc.tree<3>(coder + model::length::low + (pos_state << 3));
    if (rc.bit(coder[model::length::choice2]) == 0)
        return 8 + rc.tree<3>(coder + model::length::mid + (pos_state << 3));
    return 16 + rc.tree<8>(coder + model::length::high);
}

// Copies a match inside the output; `distance` <= bytes before `out`.
LZMA_INLINE void copy_match(unsigned char* out, std::uint32_t distance, std::uint32_t count) {
    const unsigned char* from = out - distance;
    if (distance >= count) {
        std::memcpy(out, from, count);
    } else if (distance == 1) {
        std::memset(out, *from, count);
    } else {
        // Overlapping: every byte may depend on one written in this copy.
        for (std::uint32_t i = 0; i < count; ++i) out[i] = from[i];
    }
}

}  // namespace

const unsigned char* Decoder::decode_run(std::size_t limit, const unsigned char* in,
                                         const unsigned char* in_limit) {
    // The dictionary starts at position 0, so the count of decoded bytes equals the
    // position and the loop keeps only the output pointer: fewer live registers.
    std::uint32_t* const probs = probabilities_.data();
    unsigned char* const dic = dictionary_;
    unsigned char* out = dic + position_;
    unsigned char* const out_limit = dic + limit;
    const std::uint32_t check_size = check_size_;
    unsigned state = state_;
    std::uint32_t rep0 = reps_[0], rep1 = reps_[1], rep2 = reps_[2], rep3 = reps_[3];
    std::uint32_t remaining = 0;
    const unsigned lc = lc_;
    const std::uint32_t pb_mask = (1u << pb_) - 1;
    // Selects the lp low bits of the position and the lc high bits of the previous byte
    // from (position << 8) | previous byte.
    const std::uint32_t literal_mask = (0x100u << lp_) - (0x100u >> lc_);
    FastRange rc{range_, code_, in};

    do {
        const std::uint32_t processed = std::uint32_t(out - dic);
        const unsigned pos_state = processed & pb_mask;
        if (rc.bit(probs[model::is_match + (state << 4) + pos_state]) == 0) {
            const std::uint32_t previous = out > dic ? out[-1] : 0;
            std::uint32_t* const lit =
                probs + model::literal + 3 * ((((processed << 8) | previous) & literal_mask) << lc);
            unsigned symbol = 1;
            if (state < model::literal_states) {
                // Always 8 bits: unrolled, no loop test between them.
                for (int i = 0; i < 8; ++i) symbol = (symbol << 1) | rc.bit(lit[symbol]);
            } else {
                // While the decoded bits equal the byte at rep0, the matched half of the
                // table is used; `offset` drops to 0 at the first difference.
                unsigned match_byte = out[-std::ptrdiff_t(rep0)];
                unsigned offset = 0x100;
                do {
                    match_byte <<= 1;
                    const unsigned match_bit = match_byte & offset;
                    const unsigned b = rc.bit(lit[offset + match_bit + symbol]);
                    symbol = (symbol << 1) | b;
                    offset &= ~(match_bit ^ (b << 8));
                } while (symbol < 0x100);
            }
            *out++ = (unsigned char)symbol;
            state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
            continue;
        }

        std::uint32_t length;
        if (rc.bit(probs[model::is_rep + state]) == 0) {
            length = decode_length(rc, probs + model::len_coder, pos_state);
            state = state < model::literal_states ? 7 : 10;
            const unsigned len_state = length < 3 ? length : 3;
            const std::uint32_t slot = rc.tree<6>(probs + model::pos_slot + (len_state << 6));
            std::uint32_t distance = slot;
            if (slot >= 4) {
                const unsigned direct_bits = (slot >> 1) - 1;
                distance = (2 | (slot & 1)) << direct_bits;
                if (slot < model::end_pos_model_index) {
                    distance += rc.reverse_tree(probs + model::spec_pos + distance - slot - 1, direct_bits);
                } else {
                    distance += rc.direct(direct_bits - 4) << 4;
                    distance += rc.reverse_tree(probs + model::align, 4);
                    if (distance == 0xFFFFFFFFu) {
                        remaining = length + model::end_mark_length;
                        break;
                    }
                }
            }
            if (distance >= (check_size == 0 ? processed : check_size)) throw BadStream();
            rep3 = rep2;
            rep2 = rep1;
            rep1 = rep0;
            rep0 = distance + 1;
        } else {
            if (check_size == 0 && processed == 0) throw BadStream();
            if (rc.bit(probs[model::is_rep_g0 + state]) == 0) {
                if (rc.bit(probs[model::is_rep0_long + (state << 4) + pos_state]) == 0) {
                    // One byte from rep0.
                    *out = out[-std::ptrdiff_t(rep0)];
                    ++out;
                    state = state < model::literal_states ? 9 : 11;
                    continue;
                }
            } else {
                std::uint32_t distance;
                if (rc.bit(probs[model::is_rep_g1 + state]) == 0) {
                    distance = rep1;
                } else {
                    if (rc.bit(probs[model::is_rep_g2 + state]) == 0) {
                        distance = rep2;
                    } else {
                        distance = rep3;
                        rep3 = rep2;
                    }
                    rep2 = rep1;
                }
                rep1 = rep0;
                rep0 = distance;
            }
            length = decode_length(rc, probs + model::rep_len_coder, pos_state);
            state = state < model::literal_states ? 8 : 11;
        }

        length += 2;
        const std::size_t room = std::size_t(out_limit - out);
        if (room == 0) throw BadStream();
        const std::uint32_t now = length < room ? length : std::uint32_t(room);
        remaining = length - now;
        copy_match(out, rep0, now);
        out += now;
    } while (out < out_limit && rc.in < in_limit);

    range_ = rc.range;
    code_ = rc.code;
    processed_ += std::uint32_t(std::size_t(out - dic) - position_);
    position_ = std::size_t(out - dic);
    state_ = state;
    reps_[0] = rep0;
    reps_[1] = rep1;
    reps_[2] = rep2;
    reps_[3] = rep3;
    remaining_ = remaining;
    return rc.in;
}

}  // namespace lzma
