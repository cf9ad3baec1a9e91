#pragma once
// Layout of the probability table: every adaptive model of the format, one after the
// other, literals last so that their count can follow lc + lp.
#include <cstdint>

namespace lzma::model {

constexpr unsigned states = 12;
constexpr unsigned max_pos_states = 16;            // pb <= 4
constexpr unsigned len_to_pos_states = 4;          // distance slots depend on min(len, 3)
constexpr unsigned end_pos_model_index = 14;       // slots below this use the position models
constexpr unsigned full_distances = 1u << (end_pos_model_index >> 1);

// One length coder: two choice bits, then low (3 bits) and mid (3 bits) trees per
// position state, then one high tree (8 bits).
namespace length {
constexpr unsigned choice = 0;
constexpr unsigned choice2 = 1;
constexpr unsigned low = 2;
constexpr unsigned mid = low + (max_pos_states << 3);
constexpr unsigned high = mid + (max_pos_states << 3);
constexpr unsigned size = high + 256;
}  // namespace length

constexpr unsigned is_match = 0;
constexpr unsigned is_rep = is_match + (states << 4);
constexpr unsigned is_rep_g0 = is_rep + states;
constexpr unsigned is_rep_g1 = is_rep_g0 + states;
constexpr unsigned is_rep_g2 = is_rep_g1 + states;
constexpr unsigned is_rep0_long = is_rep_g2 + states;
constexpr unsigned pos_slot = is_rep0_long + (states << 4);
constexpr unsigned spec_pos = pos_slot + (len_to_pos_states << 6);
constexpr unsigned align = spec_pos + full_distances - end_pos_model_index;
constexpr unsigned len_coder = align + 16;
constexpr unsigned rep_len_coder = len_coder + length::size;
constexpr unsigned literal = rep_len_coder + length::size;
constexpr unsigned literal_size = 0x300;

static_assert(literal == 1846, "the models before the literals take 1846 entries");

// Range coder constants: 11-bit probabilities, adaptation shift 5.
constexpr unsigned probability_bits = 11;
// The table keeps each 11-bit probability in a 32-bit value: its documented layout, which
// the decoder's callers and tests read back.
using probability = std::uint32_t;
constexpr std::uint32_t probability_one = 1u << probability_bits;
constexpr unsigned move_bits = 5;
constexpr std::uint32_t top_value = 1u << 24;

// The longest symbol (a match with the largest length and distance) never needs more
// input bytes than this; with that many bytes left the decoder skips input checks.
constexpr unsigned required_input = 20;

// Remaining length that marks "end marker read": 2 + the 272 coded lengths.
constexpr std::uint32_t end_mark_length = 274;

constexpr unsigned literal_states = 7;  // states below this follow a literal

}  // namespace lzma::model
