#pragma once
// The program's raw LZMA decoder (the first LZMA format, not LZMA2).
//
// The output buffer is the whole dictionary: the decoder writes each byte once, straight
// to its final place, and never wraps or flushes. Corrupt data throws lzma::BadStream;
// running out of input is a status, not an error, and the next call goes on where this
// one stopped (up to 20 bytes of a cut symbol wait in a small buffer of the decoder).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "installer/package/lzma/bad_stream.h"
#include "installer/package/lzma/model.h"
#include "installer/package/lzma/properties.h"

namespace lzma {

enum class FinishMode {
    finish_any,  // stopping at the limit is fine
    finish_end,  // at the limit the stream must end: no marker with code 0, or the marker
};

enum class Status {
    none = 0,
    finished_with_mark = 1,           // the end marker was read (possibly before the limit)
    not_finished = 2,                 // finish_any: the limit was reached with data left
    needs_more_input = 3,             // the input ended inside the stream
    maybe_finished_without_mark = 4,  // the limit was reached and the range coder is clean
};

class Decoder {
public:
    // Allocates the probability table (probability_count(properties) entries, zeroed).
    explicit Decoder(const Properties& properties);

    // Makes `dictionary` (size bytes, at most 2^32 - 1) the output and resets the whole
    // decoding state. Must be called before decode_to_dictionary.
    void set_dictionary(unsigned char* dictionary, std::size_t size);

    // Decodes until the dictionary position reaches `limit` (<= the dictionary size) or
    // the input is used up. `input_length` holds the bytes available on entry and the
    // bytes consumed on return. Throws BadStream on corrupt data, after setting `status`
    // where the corruption is found at the limit (not_finished).
    void decode_to_dictionary(std::size_t limit, const unsigned char* input,
                              std::size_t& input_length, FinishMode mode, Status& status);

    std::size_t dictionary_position() const { return position_; }
    const std::vector<model::probability>& probabilities() const { return probabilities_; }

private:
    enum class Symbol { incomplete, match, other };

    void init_state();
    void write_remaining(std::size_t limit);
    const unsigned char* decode_runs(std::size_t limit, const unsigned char* in,
                                     const unsigned char* in_limit);
    const unsigned char* decode_run(std::size_t limit, const unsigned char* in,
                                    const unsigned char* in_limit);
    Symbol try_symbol(const unsigned char* in, std::size_t size) const;

    unsigned lc_;
    unsigned lp_;
    unsigned pb_;
    std::uint32_t dictionary_size_;
    std::vector<model::probability> probabilities_;

    unsigned char* dictionary_ = nullptr;
    std::size_t dictionary_buffer_size_ = 0;
    std::size_t position_ = 0;
    std::uint32_t range_ = 0;
    std::uint32_t code_ = 0;
    std::uint32_t processed_ = 0;   // bytes decoded so far
    std::uint32_t check_size_ = 0;  // 0 until dictionary_size_ bytes were decoded
    unsigned state_ = 0;
    std::uint32_t reps_[4] = {1, 1, 1, 1};  // distances back from the position, >= 1
    std::uint32_t remaining_ = 0;           // match bytes still to copy; 274 = end marker
    bool need_flush_ = true;                // the 5 start bytes are still to be read
    bool need_init_state_ = true;
    unsigned char temp_[20] = {};
    std::size_t temp_size_ = 0;
};

}  // namespace lzma
