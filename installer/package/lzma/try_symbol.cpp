// Decodes one symbol on a copy of the coder state, with input checks and without
// adapting any probability, to learn whether the input holds the whole symbol and what
// kind it is. It must take exactly the decisions decode_run takes.
#include "installer/package/lzma/decoder.h"
#include "installer/package/lzma/model.h"
#include "installer/package/lzma/range_decoder.h"

namespace lzma {

namespace {

void probe_length(detail::ProbeRange& rc, const std::uint32_t* coder, unsigned pos_state,
                  std::uint32_t* length) {
    std::uint32_t value;
    if (rc.bit(coder[model::length::choice]) == 0) {
        value = rc.tree(coder + model::length::low + (pos_state << 3), 3);
    } else if (rc.bit(coder[model::length::choice2]) == 0) {
        value = 8 + rc.tree(coder + model::length::mid + (pos_state << 3), 3);
    } else {
        value = 16 + rc.tree(coder + model::length::high, 8);
    }
    if (length) *length = value;
}

}  // namespace

Decoder::Symbol Decoder::try_symbol(const unsigned char* in, std::size_t size) const {
    const std::uint32_t* const probs = probabilities_.data();
    detail::ProbeRange rc{range_, code_, in, in + size};
    const unsigned pos_state = processed_ & ((1u << pb_) - 1);
    Symbol symbol;

    if (rc.bit(probs[model::is_match + (state_ << 4) + pos_state]) == 0) {
        const unsigned previous = position_ > 0 ? dictionary_[position_ - 1] : 0;
        const std::uint32_t* const lit = probs + model::literal +
            model::literal_size * (((processed_ & ((1u << lp_) - 1)) << lc_) + (previous >> (8 - lc_)));
        unsigned value = 1;
        if (state_ < model::literal_states) {
            do value = (value << 1) | rc.bit(lit[value]);
            while (value < 0x100);
        } else {
            unsigned match_byte = dictionary_[position_ - reps_[0]];
            unsigned offset = 0x100;
            do {
                match_byte <<= 1;
                const unsigned match_bit = match_byte & offset;
                const unsigned b = rc.bit(lit[offset + match_bit + value]);
                value = (value << 1) | b;
                offset &= ~(match_bit ^ (b << 8));
            } while (value < 0x100);
        }
        symbol = Symbol::literal;
    } else if (rc.bit(probs[model::is_rep + state_]) == 0) {
        std::uint32_t length = 0;
        probe_length(rc, probs + model::len_coder, pos_state, &length);
        const unsigned len_state = length < 3 ? length : 3;
        const std::uint32_t slot = rc.tree(probs + model::pos_slot + (len_state << 6), 6);
        if (slot >= 4) {
            const unsigned direct_bits = (slot >> 1) - 1;
            const std::uint32_t base = (2 | (slot & 1)) << direct_bits;
            if (slot < model::end_pos_model_index) {
                rc.reverse_tree(probs + model::spec_pos + base - slot - 1, direct_bits);
            } else {
                rc.direct(direct_bits - 4);
                rc.reverse_tree(probs + model::align, 4);
            }
        }
        symbol = Symbol::match;
    } else {
        if (rc.bit(probs[model::is_rep_g0 + state_]) == 0) {
            if (rc.bit(probs[model::is_rep0_long + (state_ << 4) + pos_state]) == 0)
                return rc.short_input ? Symbol::incomplete : Symbol::rep;
        } else if (rc.bit(probs[model::is_rep_g1 + state_]) != 0) {
            rc.bit(probs[model::is_rep_g2 + state_]);
        }
        probe_length(rc, probs + model::rep_len_coder, pos_state, nullptr);
        symbol = Symbol::rep;
    }
    return rc.short_input ? Symbol::incomplete : symbol;
}

}  // namespace lzma
