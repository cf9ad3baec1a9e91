// The LZMA decoder against streams from independent encoders (Python's lzma module and
// zipfile, 7-Zip; made by make_lzma_fixtures.py at build time) and against hand-made
// streams for the corner cases no encoder writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "installer/package/crc32.h"
#include "installer/package/decoders.h"
#include "installer/package/lzma/branch_free.h"
#include "installer/package/lzma/decoder.h"
#include "installer/package/lzma/model.h"
#include "installer/package/zip_reader.h"
#include "tests/support/fixtures.h"

namespace {

using lzma::Decoder;
using lzma::FinishMode;
using lzma::Status;

std::string fixture_dir() { return test_support::fixture_dir("tests/package/lzma_fixtures"); }
using test_support::read_file;

struct Fixture {
    std::string name;
    std::string entry;  // 9-byte header + stream
    std::string plain;
    bool marker;
};

const std::vector<Fixture>& fixtures() {
    static const std::vector<Fixture> all = [] {
        std::vector<Fixture> list;
        std::istringstream manifest(read_file(fixture_dir() + "manifest.txt"));
        std::string name;
        std::size_t size;
        int marker;
        while (manifest >> name >> size >> marker) {
            list.push_back({name, read_file(fixture_dir() + name + ".entry"),
                            read_file(fixture_dir() + name + ".out"), marker != 0});
        }
        return list;
    }();
    return all;
}

const Fixture& fixture(const std::string& name) {
    for (const Fixture& f : fixtures())
        if (f.name == name) return f;
    throw std::runtime_error("no fixture " + name);
}

lzma::Properties properties_of(const std::string& entry) {
    lzma::Properties properties;
    if (!lzma::parse_properties(reinterpret_cast<const unsigned char*>(entry.data()) + 4, properties))
        throw std::runtime_error("bad properties in fixture");
    return properties;
}

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Decodes a stream into a buffer of `size` bytes, handing the input over in pieces of
// `piece` bytes (0: all at once); returns the last status.
Status decode_in_pieces(const lzma::Properties& properties, const std::string& stream, std::string& out,
                        std::size_t piece, FinishMode mode = FinishMode::finish_end) {
    Decoder decoder(properties);
    decoder.set_dictionary(reinterpret_cast<unsigned char*>(&out[0]), out.size());
    std::size_t offset = 0;
    Status status = Status::none;
    do {
        const std::size_t available = stream.size() - offset;
        std::size_t length = piece == 0 || piece > available ? available : piece;
        const std::size_t offered = length;
        decoder.decode_to_dictionary(out.size(), bytes(stream) + offset, length, mode, status);
        EXPECT_LE(length, offered);
        offset += length;
        if (status != Status::needs_more_input || offset == stream.size()) break;
    } while (true);
    return status;
}

TEST(LzmaFixtures, EveryEntryDecodesByteForByte) {
    ASSERT_GE(fixtures().size(), 20u) << "fixtures missing in " << fixture_dir();
    for (const Fixture& f : fixtures()) {
        SCOPED_TRACE(f.name);
        std::string data = f.entry;
        boost::system::error_code code(5, boost::system::generic_category());
        const char* result = decode_lzma(data, std::uint32_t(f.plain.size()), code);
        EXPECT_EQ(result, nullptr) << result;
        EXPECT_EQ(code.value(), 0);
        EXPECT_EQ(&code.category(), &boost::system::system_category());
        EXPECT_TRUE(data == f.plain);
    }
}

TEST(LzmaFixtures, InputInPiecesGivesTheSameResult) {
    for (const Fixture& f : fixtures()) {
        SCOPED_TRACE(f.name);
        const std::string stream = f.entry.substr(9);
        const Status whole_expected = f.marker ? Status::finished_with_mark : Status::maybe_finished_without_mark;
        for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(4096)}) {
            std::string out(f.plain.size(), '\0');
            EXPECT_EQ(decode_in_pieces(properties_of(f.entry), stream, out, piece), whole_expected) << piece;
            EXPECT_TRUE(out == f.plain) << piece;
        }
    }
}

// finish_any stops at every limit; the next call goes on, including in a cut match.
TEST(LzmaFixtures, GrowingLimitsResumeWhereTheyStopped) {
    for (const char* name : {"raw_repeat", "raw_lc3_lp0_pb2", "7z_noeos_text_txt"}) {
        SCOPED_TRACE(name);
        const Fixture& f = fixture(name);
        std::string out(f.plain.size(), '\0');
        Decoder decoder(properties_of(f.entry));
        decoder.set_dictionary(reinterpret_cast<unsigned char*>(&out[0]), out.size());
        std::size_t offset = 9;
        Status status = Status::none;
        for (std::size_t limit = 0;; limit = std::min(out.size(), limit + 997)) {
            std::size_t length = f.entry.size() - offset;
            decoder.decode_to_dictionary(limit, bytes(f.entry) + offset, length, FinishMode::finish_any, status);
            offset += length;
            ASSERT_EQ(decoder.dictionary_position(), limit);
            if (limit == out.size()) break;
        }
        EXPECT_TRUE(out == f.plain);
    }
}

// The whole entry path: 7-Zip's archives through the ZIP reader, which hands method-14
// entries to decode_lzma.
TEST(LzmaFixtures, SevenZipArchivesReadThroughTheZipReader) {
    for (const std::string tag : {"7z_eos", "7z_noeos", "7z_lc8"}) {
        SCOPED_TRACE(tag);
        const std::string package = read_file(fixture_dir() + tag + ".zip");
        ZipReader reader(package);
        boost::system::error_code code;
        ASSERT_EQ(reader.open(code), nullptr);
        ASSERT_EQ(reader.entry_count(), 4);
        int compared = 0;
        for (int i = 0; i < reader.entry_count(); ++i) {
            const std::wstring wide = reader.entry_name(i);
            std::string name(wide.begin(), wide.end());
            std::string content;
            const char* result = reader.read_entry(i, content, code);
            ASSERT_EQ(result, nullptr) << name << ": " << result;
            for (char& c : name)
                if (c == '.') c = '_';
            for (const Fixture& f : fixtures()) {
                if (f.name != tag + "_" + name) continue;
                EXPECT_TRUE(content == f.plain) << name;
                ++compared;
            }
        }
        EXPECT_EQ(compared, 2);  // the two others are stored: 7-Zip found them incompressible
    }
}

// The conditional-move steps of a tree bit agree with their portable forms, for valid
// coder states and for the arbitrary ones a corrupt stream can bring.
TEST(LzmaDecoder, BranchFreeStepsMatchTheirPortableForms) {
    std::mt19937 random(11);
    const unsigned char next[1] = {0xA5};
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t range = i % 2 ? random() | lzma::model::top_value : random();
        const std::uint32_t code = i % 3 ? random() % (range ? range : 1) : random();
        const std::uint32_t bound = (range >> lzma::model::probability_bits) * (random() % 2048);
        std::uint32_t range_a = range, code_a = code, range_b = range, code_b = code;
        ASSERT_EQ(lzma::detail::split(range_a, code_a, bound), lzma::detail::split_portable(range_b, code_b, bound));
        ASSERT_EQ(range_a, range_b);
        ASSERT_EQ(code_a, code_b);

        const unsigned char* in_a = next;
        const unsigned char* in_b = next;
        lzma::detail::normalize_always_reading(range_a, code_a, in_a);
        lzma::detail::normalize_portable(range_b, code_b, in_b);
        ASSERT_EQ(range_a, range_b);
        ASSERT_EQ(code_a, code_b);
        ASSERT_EQ(in_a, in_b);
    }
}

// A minimal LZMA encoder for hand-made streams: range coder and the symbols the tests
// need, over the decoder's own table layout.
class StreamWriter {
public:
    explicit StreamWriter(unsigned pb = 0) : probs_(lzma::model::literal + 0x300, 1024), pb_mask_((1u << pb) - 1) {}

    void literal(unsigned char byte) {  // lc = lp = 0, state below 7
        bit(probs_[lzma::model::is_match + (state_ << 4) + pos_state()], 0);
        unsigned m = 1;
        for (int i = 7; i >= 0; --i) {
            const unsigned b = (byte >> i) & 1;
            bit(probs_[lzma::model::literal + m], b);
            m = (m << 1) | b;
        }
        state_ = state_ < 4 ? 0 : state_ < 10 ? state_ - 3 : state_ - 6;
        ++position_;
    }

    // A match of `length` (2..273) at `distance` (0-based); 0xFFFFFFFF is the end marker.
    void match(std::uint32_t distance, unsigned length = 2) {
        bit(probs_[lzma::model::is_match + (state_ << 4) + pos_state()], 1);
        bit(probs_[lzma::model::is_rep + state_], 0);
        std::uint32_t* len = &probs_[lzma::model::len_coder];
        const unsigned coded = length - 2;
        if (coded < 8) {
            bit(len[lzma::model::length::choice], 0);
            tree(len + lzma::model::length::low + (pos_state() << 3), 3, coded);
        } else if (coded < 16) {
            bit(len[lzma::model::length::choice], 1);
            bit(len[lzma::model::length::choice2], 0);
            tree(len + lzma::model::length::mid + (pos_state() << 3), 3, coded - 8);
        } else {
            bit(len[lzma::model::length::choice], 1);
            bit(len[lzma::model::length::choice2], 1);
            tree(len + lzma::model::length::high, 8, coded - 16);
        }
        state_ = state_ < 7 ? 7 : 10;
        unsigned slot = 0;
        if (distance < 4) {
            slot = distance;
        } else {
            unsigned top = 31;
            while (!(distance >> top)) --top;
            slot = (top << 1) | ((distance >> (top - 1)) & 1);
        }
        tree(&probs_[lzma::model::pos_slot + ((coded < 3 ? coded : 3) << 6)], 6, slot);
        if (slot >= 4) {
            const unsigned direct_bits = (slot >> 1) - 1;
            const std::uint32_t base = (2 | (slot & 1)) << direct_bits;
            const std::uint32_t rest = distance - base;
            if (slot < 14) {
                reverse_tree(&probs_[lzma::model::spec_pos + base - slot - 1], direct_bits, rest);
            } else {
                for (int i = int(direct_bits) - 5; i >= 0; --i) direct((rest >> (i + 4)) & 1);
                reverse_tree(&probs_[lzma::model::align], 4, rest & 15);
            }
        }
        position_ += length;
    }

    void short_rep() {
        bit(probs_[lzma::model::is_match + (state_ << 4) + pos_state()], 1);
        bit(probs_[lzma::model::is_rep + state_], 1);
        bit(probs_[lzma::model::is_rep_g0 + state_], 0);
        bit(probs_[lzma::model::is_rep0_long + (state_ << 4) + pos_state()], 0);
        state_ = state_ < 7 ? 9 : 11;
        ++position_;
    }

    std::string finish() {
        for (int i = 0; i < 5; ++i) shift_low();
        return out_;
    }

private:
    unsigned pos_state() const { return position_ & pb_mask_; }

    void bit(std::uint32_t& p, unsigned b) {
        const std::uint32_t bound = (range_ >> 11) * p;
        if (b == 0) {
            range_ = bound;
            p += (2048 - p) >> 5;
        } else {
            low_ += bound;
            range_ -= bound;
            p -= p >> 5;
        }
        while (range_ < (1u << 24)) {
            range_ <<= 8;
            shift_low();
        }
    }

    void direct(unsigned b) {
        range_ >>= 1;
        if (b) low_ += range_;
        while (range_ < (1u << 24)) {
            range_ <<= 8;
            shift_low();
        }
    }

    void tree(std::uint32_t* p, unsigned bits, std::uint32_t value) {
        unsigned m = 1;
        for (int i = int(bits) - 1; i >= 0; --i) {
            const unsigned b = (value >> i) & 1;
            bit(p[m], b);
            m = (m << 1) | b;
        }
    }

    void reverse_tree(std::uint32_t* p, unsigned bits, std::uint32_t value) {
        unsigned m = 1;
        for (unsigned i = 0; i < bits; ++i) {
            const unsigned b = (value >> i) & 1;
            bit(p[m], b);
            m = (m << 1) | b;
        }
    }

    void shift_low() {
        if (std::uint32_t(low_) < 0xFF000000u || (low_ >> 32) != 0) {
            const unsigned carry = unsigned(low_ >> 32);
            if (have_cache_) out_ += char(cache_ + carry);
            for (; pending_ > 0; --pending_) out_ += char(0xFF + carry);
            cache_ = (low_ >> 24) & 0xFF;
            have_cache_ = true;
        } else {
            ++pending_;
        }
        low_ = (low_ & 0x00FFFFFFu) << 8;
    }

    std::vector<std::uint32_t> probs_;
    std::uint32_t pb_mask_;
    unsigned state_ = 0;
    std::uint32_t position_ = 0;
    std::uint64_t low_ = 0;
    std::uint32_t range_ = 0xFFFFFFFFu;
    unsigned char cache_ = 0;
    bool have_cache_ = true;  // the first output byte is the zero the decoder checks
    std::size_t pending_ = 0;
    std::string out_;
};

const lzma::Properties plain_properties{0, 0, 0, 1u << 16};

Status decode_whole(const std::string& stream, std::string& out, FinishMode mode = FinishMode::finish_end) {
    return decode_in_pieces(plain_properties, stream, out, 0, mode);
}

TEST(LzmaDecoder, HandMadeStreamsDecode) {
    StreamWriter w;
    for (char c : std::string("abc")) w.literal((unsigned char)c);
    w.match(2);     // "ab", from 3 back
    w.short_rep();  // "c", from 3 back again
    w.match(0xFFFFFFFFu);
    const std::string stream = w.finish();
    std::string out(6, '\0');
    EXPECT_EQ(decode_whole(stream, out), Status::finished_with_mark);
    EXPECT_EQ(out, "abcabc");
}

// Matches of every short period and of lengths around the copy's chunk sizes give the
// byte-by-byte result and write nothing past their end.
TEST(LzmaDecoder, MatchCopiesAreExact) {
    const std::string prefix = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
    for (std::uint32_t distance = 1; distance <= 40; ++distance) {
        for (unsigned length : {2u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 47u, 100u, 273u}) {
            StreamWriter w;
            for (char c : prefix) w.literal((unsigned char)c);
            w.match(distance - 1, length);
            w.match(0xFFFFFFFFu);
            std::string expected = prefix;
            for (unsigned i = 0; i < length; ++i) expected += expected[expected.size() - distance];
            std::string out(expected.size() + 40, '#');
            Decoder decoder(plain_properties);
            decoder.set_dictionary(reinterpret_cast<unsigned char*>(&out[0]), out.size());
            const std::string stream = w.finish();
            std::size_t consumed = stream.size();
            Status status;
            decoder.decode_to_dictionary(out.size(), bytes(stream), consumed, FinishMode::finish_end, status);
            EXPECT_EQ(status, Status::finished_with_mark) << distance << " " << length;
            EXPECT_EQ(out, expected + std::string(40, '#')) << distance << " " << length;
        }
    }
}

TEST(LzmaDecoder, EndOfStreamCases) {
    StreamWriter with_mark;
    with_mark.literal('x');
    with_mark.literal('y');
    with_mark.match(0xFFFFFFFFu);
    const std::string marked = with_mark.finish();

    std::string exact(2, '\0');
    EXPECT_EQ(decode_whole(marked, exact), Status::finished_with_mark);
    EXPECT_EQ(exact, "xy");

    // Marker before the limit: the rest of the output is left as it was.
    std::string longer(5, '#');
    Decoder early(plain_properties);
    early.set_dictionary(reinterpret_cast<unsigned char*>(&longer[0]), longer.size());
    std::size_t length = marked.size();
    Status status;
    early.decode_to_dictionary(longer.size(), bytes(marked), length, FinishMode::finish_end, status);
    EXPECT_EQ(status, Status::finished_with_mark);
    EXPECT_EQ(length, marked.size());
    EXPECT_EQ(longer, "xy###");
    EXPECT_EQ(early.dictionary_position(), 2u);

    StreamWriter without_mark;
    without_mark.literal('x');
    without_mark.literal('y');
    std::string clean(2, '\0');
    EXPECT_EQ(decode_whole(without_mark.finish(), clean), Status::maybe_finished_without_mark);
    EXPECT_EQ(clean, "xy");

    // More data than room: code is not 0 at the limit and a literal follows, not a marker.
    StreamWriter too_long;
    for (char c : std::string("xyz")) too_long.literal((unsigned char)c);
    const std::string overlong = too_long.finish();
    std::string small(2, '\0');
    EXPECT_THROW(decode_whole(overlong, small), lzma::BadStream);
    std::string any(2, '\0');
    EXPECT_EQ(decode_whole(overlong, any, FinishMode::finish_any), Status::not_finished);
    EXPECT_EQ(any, "xy");

    // A match that would run past the limit.
    StreamWriter cut;
    cut.literal('a');
    cut.match(0);
    std::string two(2, '\0');
    EXPECT_THROW(decode_whole(cut.finish(), two), lzma::BadStream);

    // A real match (not the marker) right at the limit.
    StreamWriter at_limit;
    at_limit.literal('a');
    at_limit.match(0);
    std::string one(1, '\0');
    EXPECT_THROW(decode_whole(at_limit.finish(), one), lzma::BadStream);
}

TEST(LzmaDecoder, CorruptStreamsThrow) {
    std::string out(4, '\0');
    StreamWriter good;
    good.literal('a');
    std::string first_byte = good.finish();
    first_byte[0] = 1;
    EXPECT_THROW(decode_whole(first_byte, out), lzma::BadStream);

    StreamWriter rep_first;
    rep_first.short_rep();
    EXPECT_THROW(decode_whole(rep_first.finish(), out), lzma::BadStream);

    StreamWriter too_far;
    too_far.literal('a');
    too_far.literal('b');
    too_far.match(2);  // 3 back with 2 decoded
    EXPECT_THROW(decode_whole(too_far.finish(), out), lzma::BadStream);

    StreamWriter just_far_enough;
    just_far_enough.literal('a');
    just_far_enough.literal('b');
    just_far_enough.match(1);
    EXPECT_EQ(decode_whole(just_far_enough.finish(), out), Status::maybe_finished_without_mark);
    EXPECT_EQ(out, "abab");
}

// Once the dictionary size is reached, distances are held to it, not to the output.
TEST(LzmaDecoder, DistancesBeyondTheDictionaryThrow) {
    const lzma::Properties small_dictionary{0, 0, 0, 4096};
    for (std::uint32_t distance : {4095u, 4096u}) {
        StreamWriter w;
        for (int i = 0; i < 5000; ++i) w.literal((unsigned char)(i * 7));
        w.match(distance);
        const std::string stream = w.finish();
        std::string out(5002, '\0');
        if (distance < 4096) {
            EXPECT_EQ(decode_in_pieces(small_dictionary, stream, out, 0), Status::maybe_finished_without_mark);
            EXPECT_EQ(out.substr(5000), out.substr(5000 - 4096, 2));
        } else {
            EXPECT_THROW(decode_in_pieces(small_dictionary, stream, out, 0), lzma::BadStream);
        }
    }
}

TEST(LzmaDecoder, PropertiesAndTableSize) {
    const unsigned char p93[5] = {93, 0, 0, 0, 0};
    lzma::Properties p;
    ASSERT_TRUE(lzma::parse_properties(p93, p));
    EXPECT_EQ(p.lc, 3u);
    EXPECT_EQ(p.lp, 0u);
    EXPECT_EQ(p.pb, 2u);
    EXPECT_EQ(p.dictionary_size, 4096u);  // raised from 0
    EXPECT_EQ(Decoder(p).probabilities().size(), 1846u + 6144u);
    static_assert(sizeof(Decoder(p).probabilities()[0]) == 4, "the table holds unsigned 32-bit values");

    const unsigned char p224[5] = {224, 0x00, 0x00, 0x01, 0x00};
    ASSERT_TRUE(lzma::parse_properties(p224, p));
    EXPECT_EQ(p.lc, 8u);
    EXPECT_EQ(p.lp, 4u);
    EXPECT_EQ(p.pb, 4u);
    EXPECT_EQ(p.dictionary_size, 65536u);
    const unsigned char p225[5] = {225, 0, 0, 1, 0};
    EXPECT_FALSE(lzma::parse_properties(p225, p));
    EXPECT_EQ(p.lc, 8u);  // untouched
}

std::string entry(unsigned char props, const std::string& stream, std::uint16_t props_size = 5) {
    std::string e = {char(9), char(20), char(props_size & 0xFF), char(props_size >> 8), char(props),
                     0, 0, 1, 0};
    return e + stream;
}

const char* run_decode_lzma(std::string data, std::uint32_t size, std::string* out = nullptr) {
    boost::system::error_code code(5, boost::system::generic_category());
    const char* result = decode_lzma(data, size, code);
    EXPECT_EQ(code.value(), 0);
    EXPECT_EQ(&code.category(), &boost::system::system_category());
    if (out) *out = data;
    return result;
}

std::string id(const char* result) { return result ? result : "(success)"; }

TEST(DecodeLzma, HeaderAndStreamFailures) {
    EXPECT_EQ(id(run_decode_lzma(std::string(8, '\0'), 0)), "lzma.header_size");
    EXPECT_EQ(id(run_decode_lzma(entry(93, std::string(5, '\0'), 4), 0)), "lzma.props_size");
    EXPECT_EQ(id(run_decode_lzma(entry(93, std::string(5, '\0'), 0x0705), 0)), "lzma.props_size");
    EXPECT_EQ(id(run_decode_lzma(entry(225, std::string(5, '\0')), 0)), "lzma.props");
    EXPECT_EQ(id(run_decode_lzma(entry(224, std::string(5, '\0')), 0)), "(success)");
    EXPECT_EQ(id(run_decode_lzma(entry(93, ""), 0)), "lzma.eof");
    EXPECT_EQ(id(run_decode_lzma(entry(93, ""), 100)), "lzma.eof");
    std::string out = "junk";
    EXPECT_EQ(id(run_decode_lzma(entry(93, std::string(5, '\0')), 0, &out)), "(success)");
    EXPECT_EQ(out, "");
    EXPECT_EQ(id(run_decode_lzma(entry(93, std::string("\x01\0\0\0\0", 5)), 3)), "lzma.bad_stream");

    const Fixture& f = fixture("raw_text");
    EXPECT_EQ(id(run_decode_lzma(f.entry.substr(0, f.entry.size() / 2), std::uint32_t(f.plain.size()))), "lzma.eof");
}

// The end marker before the recorded size must not pass as a complete, zero-padded file.
TEST(DecodeLzma, EndMarkerBeforeTheSizeFails) {
    StreamWriter w;
    w.literal('o');
    w.literal('k');
    w.match(0xFFFFFFFFu);
    std::string out;
    EXPECT_EQ(id(run_decode_lzma(entry(0, w.finish()), 10, &out)), "lzma.short");
    EXPECT_EQ(out, std::string("ok") + std::string(8, '\0'));

    const Fixture& f = fixture("raw_text");
    EXPECT_EQ(id(run_decode_lzma(f.entry, std::uint32_t(f.plain.size() + 1))), "lzma.short");
    // Without a marker the same entry with a larger size runs out of input instead.
    const Fixture& g = fixture("7z_noeos_text_txt");
    EXPECT_EQ(id(run_decode_lzma(g.entry, std::uint32_t(g.plain.size() + 1))), "lzma.eof");
}

// The output grows in pieces ahead of the decoder (256 KiB): a match cut by a piece's end
// goes on in the next, and a marker right at a piece's end is still an early end.
TEST(DecodeLzma, PieceEndsChangeNoOutcome) {
    constexpr std::uint32_t piece = 256 << 10;
    const auto repeated_z = [](std::uint32_t length, bool marker) {
        StreamWriter w;
        w.literal('z');
        // Matches of 2 to 273 bytes; 274 left is taken as 272 + 2, so 1 is never left.
        for (std::uint32_t left = length - 1; left > 0;) {
            const unsigned now = left == 274 ? 272 : left > 273 ? 273 : unsigned(left);
            w.match(0, now);
            left -= now;
        }
        if (marker) w.match(0xFFFFFFFFu);
        return entry(0, w.finish());
    };
    for (std::uint32_t length : {piece, piece + 100, 3 * piece + 1}) {
        std::string out;
        EXPECT_EQ(id(run_decode_lzma(repeated_z(length, true), length, &out)), "(success)") << length;
        EXPECT_TRUE(out == std::string(length, 'z')) << length;
        EXPECT_EQ(id(run_decode_lzma(repeated_z(length, false), length, &out)), "(success)") << length;
        EXPECT_TRUE(out == std::string(length, 'z')) << length;
    }
    std::string out;
    EXPECT_EQ(id(run_decode_lzma(repeated_z(piece, true), piece + 1, &out)), "lzma.short");
    EXPECT_TRUE(out == std::string(piece, 'z') + '\0');
    EXPECT_EQ(id(run_decode_lzma(repeated_z(piece, false), 2 * piece, &out)), "lzma.eof");
    EXPECT_EQ(out.size(), 2 * piece);
}

// The reader decodes LZMA straight from the package's bytes and gets the CRC-32 from the
// decoder, which big entries work out on a second worker behind the decode. Both must
// give what the copying form gives, on every outcome, and leave the bytes they read alone.
TEST(DecodeLzma, FromThePackageBytesAsFromACopy) {
    // Random bytes, then copies of random stretches of them.
    const auto shuffled_random_bytes = [](std::uint32_t length) {
        std::mt19937 random(length);
        StreamWriter w;
        const std::uint32_t literals = std::min<std::uint32_t>(length, 4096);
        for (std::uint32_t i = 0; i < literals; ++i) w.literal(static_cast<unsigned char>(random()));
        for (std::uint32_t left = length - literals; left > 0;) {
            const unsigned run = left <= 273 ? unsigned(left) : left < 276 ? 200u : 2 + random() % 272;
            w.match(random() % literals, run);
            left -= run;
        }
        return w.finish();
    };
    const auto from_bytes = [](const std::string& data, std::uint32_t size, std::string& out, bool want_crc,
                               std::uint32_t& crc) {
        boost::system::error_code code(5, boost::system::generic_category());
        const std::string before = data;
        out = "junk";
        crc = 0x5EEDu;
        const char* result =
            decode_lzma_from_bytes(data.data(), data.size(), out, size, code, want_crc ? &crc : nullptr);
        EXPECT_EQ(code.value(), 0);
        EXPECT_TRUE(data == before);
        return result;
    };
    // Below the size where a second worker joins, at it (8 MiB), and past it.
    for (const std::uint32_t length : {1000u, 8u << 20, (9u << 20) + 12345u}) {
        const std::string whole = entry(0, shuffled_random_bytes(length));
        std::string expected;
        ASSERT_EQ(id(run_decode_lzma(whole, length, &expected)), "(success)") << length;
        ASSERT_EQ(expected.size(), length);
        std::string out;
        std::uint32_t crc = 0;
        EXPECT_EQ(id(from_bytes(whole, length, out, true, crc)), "(success)") << length;
        EXPECT_TRUE(out == expected) << length;
        EXPECT_EQ(crc, crc32_of(expected.data(), expected.size())) << length;
        EXPECT_EQ(id(from_bytes(whole, length, out, false, crc)), "(success)") << length;
        EXPECT_EQ(crc, 0x5EEDu) << "no CRC asked for, none written";
        EXPECT_TRUE(out == expected) << length;

        // Failures while the second worker waits behind the decode: it must be let go.
        const std::string cut = whole.substr(0, whole.size() / 2);
        EXPECT_EQ(id(from_bytes(cut, length, out, true, crc)), "lzma.eof") << length;
        EXPECT_EQ(out.size(), length);
        EXPECT_EQ(id(run_decode_lzma(cut, length)), "lzma.eof") << length;
        EXPECT_EQ(id(from_bytes(whole, length + 1, out, true, crc)), "lzma.eof") << length;
        std::string broken = whole;
        broken[broken.size() / 2] = char(broken[broken.size() / 2] ^ 0x40);
        std::string copied;
        const std::string outcome = id(run_decode_lzma(broken, length, &copied));
        EXPECT_EQ(id(from_bytes(broken, length, out, true, crc)), outcome) << length;
        EXPECT_TRUE(out == copied) << length;
        if (outcome == "(success)") {
            EXPECT_EQ(crc, crc32_of(copied.data(), copied.size()));
        }
    }
    std::string out;
    std::uint32_t crc = 0;
    EXPECT_EQ(id(from_bytes(std::string(8, '\0'), 0, out, true, crc)), "lzma.header_size");
    EXPECT_EQ(out, "") << "a header failure leaves nothing behind";
    EXPECT_EQ(id(from_bytes(entry(225, std::string(5, '\0')), 0, out, true, crc)), "lzma.props");
}

// Every truncation and every single bit flip of a small stream ends in an identifier or
// (when the damage happens to decode) in a full-size result, never in a crash.
TEST(DecodeLzma, DamagedStreamsFailCleanly) {
    const Fixture& f = fixture("raw_one");
    const Fixture& g = fixture("7z_noeos_mixed_bin");
    for (const Fixture* source : {&f, &g}) {
        const std::string& e = source->entry;
        const std::uint32_t size = std::uint32_t(source->plain.size());
        const std::size_t shortest = source == &f ? 0 : e.size() - 150;
        for (std::size_t cut = shortest; cut < e.size(); ++cut) {
            std::string out;
            const std::string result = id(run_decode_lzma(e.substr(0, cut), size, &out));
            if (result == "(success)") EXPECT_EQ(out.size(), size);
            else EXPECT_TRUE(result == "lzma.eof" || result == "lzma.bad_stream" || result == "lzma.header_size" ||
                             result == "lzma.props_size" || result == "lzma.short") << result << " at " << cut;
        }
    }
    std::mt19937 random(7);
    const std::string& e = g.entry;
    for (int i = 0; i < 600; ++i) {
        std::string damaged = e;
        const std::size_t at = 9 + random() % (e.size() - 9);
        damaged[at] = char(damaged[at] ^ (1 << (random() % 8)));
        std::string out;
        const std::string result = id(run_decode_lzma(damaged, std::uint32_t(g.plain.size()), &out));
        EXPECT_TRUE(result == "(success)" || result == "lzma.eof" || result == "lzma.bad_stream" ||
                    result == "lzma.short") << result;
        EXPECT_EQ(out.size(), g.plain.size());
    }
}

}  // namespace
