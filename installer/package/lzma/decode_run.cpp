// The inner decoder and the probe of one symbol, both driving the symbol decoder of
// symbol.h. Every symbol of a run starts with at least model::required_input bytes before
// the input's end (or was probed first), which covers the longest symbol.
#include <cstring>

#include "installer/package/lzma/decoder.h"
#include "installer/package/lzma/model.h"
#include "installer/package/lzma/range_decoder.h"
#include "installer/package/lzma/symbol.h"

namespace lzma {

namespace {

using detail::FastRange;
using detail::ProbeRange;

template <unsigned size>
LZMA_INLINE void copy_chunk(unsigned char* to, const unsigned char* from) {
    // Through a local: the ranges may overlap, and the load must come before the store.
    unsigned char chunk[size];
    std::memcpy(chunk, from, size);
    std::memcpy(to, chunk, size);
}

// Copies exactly `count` bytes of a match inside the output (bytes past it may already
// be final: an end marker leaves the rest of the buffer as it was); `distance` <= bytes
// before `out`. Wide chunks that end exactly at `count` may rewrite bytes of this copy
// with the values they already hold.
LZMA_INLINE void copy_match(unsigned char* out, std::uint32_t distance, std::uint32_t count) {
    const unsigned char* from = out - distance;
    if (distance >= count || distance >= 16) {
        // Every 16-byte chunk reads bytes before its own start, so chunks in order give
        // the byte-by-byte result.
        if (count >= 16) {
            for (std::uint32_t i = 0; i + 16 <= count; i += 16) copy_chunk<16>(out + i, from + i);
            copy_chunk<16>(out + count - 16, from + count - 16);
        } else if (count >= 8) {
            copy_chunk<8>(out, from);
            copy_chunk<8>(out + count - 8, from + count - 8);
        } else if (count >= 4) {
            copy_chunk<4>(out, from);
            copy_chunk<4>(out + count - 4, from + count - 4);
        } else {
            for (std::uint32_t i = 0; i < count; ++i) out[i] = from[i];
        }
    } else if (distance == 1) {
        std::memset(out, *from, count);
    } else {
        // A short period repeated: the first 16 bytes one by one, then chunks that copy
        // the whole previous chunk forward by a multiple of the period, so each load
        // reads exactly what one earlier store wrote.
        const std::uint32_t first = count < 16 ? count : 16;
        for (std::uint32_t i = 0; i < first; ++i) out[i] = from[i];
        if (count > 16) {
            const std::uint32_t step = distance * (16 / distance);
            std::uint32_t i = step;
            for (; i + 16 <= count; i += step) copy_chunk<16>(out + i, out + i - step);
            for (i = i - step + 16; i < count; ++i) out[i] = from[i];
        }
    }
}

// Writes the symbols straight into the dictionary and checks distances against what
// has been decoded.
struct WriteSink {
    unsigned char* const dic;
    unsigned char* out;
    unsigned char* out_limit;
    const std::uint32_t check_size;
    std::uint32_t remaining = 0;

    LZMA_INLINE std::uint32_t processed() const { return std::uint32_t(out - dic); }
    LZMA_INLINE unsigned previous_byte() const { return out > dic ? out[-1] : 0; }
    LZMA_INLINE unsigned byte_at(std::uint32_t distance) const { return out[-std::ptrdiff_t(distance)]; }
    LZMA_INLINE void literal(unsigned byte) { *out++ = (unsigned char)byte; }
    LZMA_INLINE void short_rep(std::uint32_t rep0) {
        *out = out[-std::ptrdiff_t(rep0)];
        ++out;
    }
    LZMA_INLINE void rep_begins() const {
        if (check_size == 0 && out == dic) throw BadStream();
    }
    LZMA_INLINE void match_distance(std::uint32_t distance) const {
        if (distance >= (check_size == 0 ? processed() : check_size)) throw BadStream();
    }
    LZMA_INLINE void end_mark(std::uint32_t length) {
        remaining = length + model::end_mark_length;
        out_limit = out;  // ends the run
    }
    LZMA_INLINE void copy(std::uint32_t length, std::uint32_t rep0) {
        const std::size_t room = std::size_t(out_limit - out);
        if (room == 0) throw BadStream();
        const std::uint32_t now = length < room ? length : std::uint32_t(room);
        remaining = length - now;
        copy_match(out, rep0, now);
        out += now;
    }
};

// Notes only the kind of the symbol; reads the dictionary, never writes it.
struct ProbeSink {
    const unsigned char* dic;
    std::uint32_t position;
    bool match = false;

    std::uint32_t processed() const { return position; }
    unsigned previous_byte() const { return position > 0 ? dic[position - 1] : 0; }
    unsigned byte_at(std::uint32_t distance) const { return dic[position - distance]; }
    void literal(unsigned) {}
    void short_rep(std::uint32_t) {}
    void rep_begins() const {}
    void match_distance(std::uint32_t) { match = true; }
    void end_mark(std::uint32_t) { match = true; }
    void copy(std::uint32_t, std::uint32_t) {}
};

}  // namespace

const unsigned char* Decoder::decode_run(std::size_t limit, const unsigned char* in,
                                         const unsigned char* in_limit) {
    // The dictionary starts at position 0, so the count of decoded bytes equals the
    // position and the loop keeps only the output pointer: fewer live registers.
    model::probability* const probs = probabilities_.data();
    const detail::LiteralLayout layout{lc_, (1u << pb_) - 1, (0x100u << lp_) - (0x100u >> lc_)};
    detail::History h{state_, reps_[0], reps_[1], reps_[2], reps_[3]};
    WriteSink sink{dictionary_, dictionary_ + position_, dictionary_ + limit, check_size_};
    FastRange rc{range_, code_, in};

    do {
        detail::decode_symbol(rc, probs, layout, h, sink);
    } while (sink.out < sink.out_limit && rc.in < in_limit);

    range_ = rc.range;
    code_ = rc.code;
    const std::size_t position = std::size_t(sink.out - dictionary_);
    processed_ += std::uint32_t(position - position_);
    position_ = position;
    state_ = h.state;
    reps_[0] = h.rep0;
    reps_[1] = h.rep1;
    reps_[2] = h.rep2;
    reps_[3] = h.rep3;
    remaining_ = sink.remaining;
    return rc.in;
}

// Decodes one symbol on a copy of the coder state, with input checks and without
// adapting any probability, to learn whether the input holds the whole symbol and
// whether it is a match.
Decoder::Symbol Decoder::try_symbol(const unsigned char* in, std::size_t size) const {
    const detail::LiteralLayout layout{lc_, (1u << pb_) - 1, (0x100u << lp_) - (0x100u >> lc_)};
    detail::History h{state_, reps_[0], reps_[1], reps_[2], reps_[3]};
    ProbeSink sink{dictionary_, processed_};
    ProbeRange rc{range_, code_, in, in + size};
    detail::decode_symbol(rc, probabilities_.data(), layout, h, sink);
    if (rc.short_input) return Symbol::incomplete;
    return sink.match ? Symbol::match : Symbol::other;
}

}  // namespace lzma
