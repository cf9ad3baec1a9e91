#include "installer/package/lzma/decoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "installer/package/lzma/model.h"

namespace lzma {

Decoder::Decoder(const Properties& properties)
    : lc_(properties.lc),
      lp_(properties.lp),
      pb_(properties.pb),
      dictionary_size_(properties.dictionary_size),
      probabilities_(probability_count(properties), 0) {}

void Decoder::set_dictionary(unsigned char* dictionary, std::size_t size) {
    // Distances are checked against a 32-bit count of decoded bytes, which must equal the
    // position in the buffer.
    if (size > 0xFFFFFFFFu) throw std::length_error("LZMA dictionary larger than 4 GiB");
    dictionary_ = dictionary;
    dictionary_buffer_size_ = size;
    position_ = 0;
    processed_ = 0;
    check_size_ = 0;
    remaining_ = 0;
    need_flush_ = true;
    need_init_state_ = true;
    temp_size_ = 0;
}

void Decoder::init_state() {
    std::fill(probabilities_.begin(), probabilities_.end(), model::probability_one / 2);
    reps_[0] = reps_[1] = reps_[2] = reps_[3] = 1;
    state_ = 0;
    need_init_state_ = false;
}

// Finishes a match that an earlier run had to cut at its limit.
void Decoder::write_remaining(std::size_t limit) {
    if (remaining_ == 0 || remaining_ >= model::end_mark_length) return;
    const std::size_t room = limit - position_;
    const std::uint32_t count = std::uint32_t(std::min<std::size_t>(remaining_, room));
    unsigned char* out = dictionary_ + position_;
    const unsigned char* from = out - reps_[0];
    for (std::uint32_t i = 0; i < count; ++i) out[i] = from[i];
    position_ += count;
    processed_ += count;
    remaining_ -= count;
    if (check_size_ == 0 && processed_ >= dictionary_size_) check_size_ = dictionary_size_;
}

// Runs the inner decoder until the limit, the input limit or the end marker. While fewer
// than dictionary_size_ bytes are decoded, each run stops exactly there so that the
// distance check can switch from "decoded so far" to "dictionary size".
const unsigned char* Decoder::decode_runs(std::size_t limit, const unsigned char* in,
                                          const unsigned char* in_limit) {
    do {
        std::size_t run_limit = limit;
        if (check_size_ == 0) {
            const std::size_t left = dictionary_size_ - processed_;
            if (limit - position_ > left) run_limit = position_ + left;
        }
        in = decode_run(run_limit, in, in_limit);
        if (check_size_ == 0 && processed_ >= dictionary_size_) check_size_ = dictionary_size_;
        write_remaining(limit);
    } while (position_ < limit && in < in_limit && remaining_ < model::end_mark_length);
    if (remaining_ > model::end_mark_length) remaining_ = model::end_mark_length;
    return in;
}

void Decoder::decode_to_dictionary(std::size_t limit, const unsigned char* input,
                                   std::size_t& input_length, FinishMode mode, Status& status) {
    std::size_t in_size = input_length;
    input_length = 0;
    status = Status::none;
    if (limit > dictionary_buffer_size_) limit = dictionary_buffer_size_;
    if (limit < position_) limit = position_;
    write_remaining(limit);

    while (remaining_ != model::end_mark_length) {
        if (need_flush_) {
            while (in_size > 0 && temp_size_ < 5) {
                temp_[temp_size_++] = *input++;
                ++input_length;
                --in_size;
            }
            if (temp_size_ < 5) {
                status = Status::needs_more_input;
                return;
            }
            if (temp_[0] != 0) throw BadStream();
            code_ = std::uint32_t(temp_[1]) << 24 | std::uint32_t(temp_[2]) << 16 |
                    std::uint32_t(temp_[3]) << 8 | std::uint32_t(temp_[4]);
            range_ = 0xFFFFFFFFu;
            need_flush_ = false;
            temp_size_ = 0;
        }

        bool check_end_mark = false;
        if (position_ >= limit) {
            if (remaining_ == 0 && code_ == 0) {
                status = Status::maybe_finished_without_mark;
                return;
            }
            if (mode == FinishMode::finish_any) {
                status = Status::not_finished;
                return;
            }
            if (remaining_ != 0) {
                status = Status::not_finished;
                throw BadStream();
            }
            check_end_mark = true;  // only the end marker may follow
        }

        if (need_init_state_) init_state();

        if (temp_size_ == 0) {
            std::size_t used;
            // The fast path needs a byte beyond the longest symbol (range_decoder.h).
            if (in_size <= model::required_input || check_end_mark) {
                const Symbol symbol = try_symbol(input, in_size);
                if (symbol == Symbol::incomplete) {
                    std::memcpy(temp_, input, in_size);
                    temp_size_ = in_size;
                    input_length += in_size;
                    status = Status::needs_more_input;
                    return;
                }
                if (check_end_mark && symbol != Symbol::match) {
                    status = Status::not_finished;
                    throw BadStream();
                }
                // The probed symbol only, from a copy with a readable byte after it.
                unsigned char padded[model::required_input + 1] = {};
                std::memcpy(padded, input, in_size < model::required_input ? in_size : model::required_input);
                used = std::size_t(decode_runs(limit, padded, padded) - padded);
            } else {
                // Every symbol of the runs starts more than required_input bytes before the end.
                used = std::size_t(decode_runs(limit, input, input + in_size - model::required_input) - input);
            }
            input += used;
            in_size -= used;
            input_length += used;
        } else {
            const std::size_t kept = temp_size_;
            std::size_t added = 0;
            while (temp_size_ < model::required_input && added < in_size) temp_[temp_size_++] = input[added++];
            if (temp_size_ < model::required_input || check_end_mark) {
                const Symbol symbol = try_symbol(temp_, temp_size_);
                if (symbol == Symbol::incomplete) {
                    input_length += added;
                    status = Status::needs_more_input;
                    return;
                }
                if (check_end_mark && symbol != Symbol::match) {
                    status = Status::not_finished;
                    throw BadStream();
                }
            }
            unsigned char padded[model::required_input + 1] = {};  // a readable byte after the symbol
            std::memcpy(padded, temp_, temp_size_);
            const unsigned char* end = decode_runs(limit, padded, padded);
            // The kept bytes did not hold a whole symbol, so the symbol used all of them.
            const std::size_t from_temp = std::size_t(end - padded);
            if (from_temp < kept) throw BadStream();
            const std::size_t used = from_temp - kept;
            input += used;
            in_size -= used;
            input_length += used;
            temp_size_ = 0;
        }
    }

    if (code_ != 0) throw BadStream();
    status = Status::finished_with_mark;
}

}  // namespace lzma
