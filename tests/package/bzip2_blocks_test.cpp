// A bzip2 entry decoded block by block on several workers against the single call: the
// same identifier, code and bytes on whole streams of many blocks (from the library and
// from the bzip2 tool), and a fall back to the single call on a magic pattern inside a
// block, a damaged block or checksum, a stream cut short, and sizes that do not add up.
// Also the allocator that keeps the library's tables from one block to the next.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "installer/base/errors.h"
#include "installer/package/bzip2_blocks.h"
#include "installer/package/decoders.h"
#include "installer/package/parallel.h"
#include "tests/package/bzip2_streams.h"

namespace {

using boost::system::error_code;

// Words with now and then a run of one byte, so blocks differ in how much they expand.
std::string sample(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const char* words[] = {"launcher ", "package ", "entry ", "stream ", "block ", "file\n", "0x3141 ", "5926 "};
    std::string out;
    while (out.size() < size) {
        out += words[rng() % 8];
        if (rng() % 64 == 0) out.append(rng() % 300, static_cast<char>('a' + rng() % 3));
        if (rng() % 16 == 0) out += static_cast<char>(rng());
    }
    out.resize(size);
    return out;
}

struct Decoded {
    const char* identifier;
    error_code code;
    std::string data;
};

Decoded decode(const std::string& stream, std::uint32_t size, std::size_t blocks_from) {
    Decoded d{nullptr, error_code(99, bz2::bzip2_category()), stream};
    d.identifier = decode_bzip2_from(d.data, size, d.code, blocks_from);
    return d;
}

// `body` with a loop context of `threads` workers, as unpack gives a single entry.
template <class Body>
void with_threads(unsigned threads, Body body) {
    parallel::parallel_for(0, 1, [&](std::size_t) { body(); }, threads);
}

// The block decode and the single call must agree on everything, on 1, 2 and 4 workers.
void expect_same_as_single_call(const std::string& stream, std::uint32_t size) {
    const Decoded single = decode(stream, size, std::numeric_limits<std::size_t>::max());
    for (unsigned threads : {1u, 2u, 4u}) {
        with_threads(threads, [&] {
            const Decoded blocks = decode(stream, size, 0);
            EXPECT_EQ(single.identifier == nullptr, blocks.identifier == nullptr) << threads;
            if (single.identifier && blocks.identifier) {
                EXPECT_STREQ(single.identifier, blocks.identifier);
            }
            EXPECT_EQ(single.code, blocks.code) << threads;
            EXPECT_TRUE(single.data == blocks.data) << threads;
        });
    }
}

bool blocks_decode(const std::string& stream, std::uint32_t size, unsigned threads, std::string& out) {
    out.assign(size, '\0');
    bool decoded = false;
    with_threads(threads, [&] { decoded = decode_bzip2_blocks(stream, size ? &out[0] : nullptr, size); });
    return decoded;
}

std::uint32_t size_of(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }

// The first block magic after the stream header, as a bit offset.
std::size_t second_block_bit(const std::string& stream) {
    for (std::size_t bit = 33; bit + 48 <= stream.size() * 8; ++bit) {
        std::uint64_t word = 0;
        for (std::size_t k = 0; k < 48; ++k) {
            const std::size_t at = bit + k;
            word = word << 1 | ((static_cast<unsigned char>(stream[at / 8]) >> (7 - at % 8)) & 1u);
        }
        if (word == 0x314159265359) return bit;
    }
    return 0;
}

void set_bits(std::string& s, std::size_t bit, std::uint64_t value, unsigned count) {
    for (unsigned k = 0; k < count; ++k, ++bit) {
        const unsigned char mask = static_cast<unsigned char>(0x80u >> (bit % 8));
        if (value >> (count - 1 - k) & 1) {
            s[bit / 8] = static_cast<char>(s[bit / 8] | mask);
        } else {
            s[bit / 8] = static_cast<char>(s[bit / 8] & ~mask);
        }
    }
}

}  // namespace

TEST(Bzip2Blocks, ManyBlocksDecodeAsTheSingleCallOnAnyNumberOfWorkers) {
    const std::string plain = sample(700000, 1);
    const std::string stream = bzip2_stream(plain, 1);
    ASSERT_NE(0u, second_block_bit(stream) % 8) << "blocks should start off byte boundaries";
    for (unsigned threads : {1u, 2u, 4u}) {
        std::string out;
        EXPECT_TRUE(blocks_decode(stream, size_of(plain), threads, out)) << threads;
        EXPECT_TRUE(out == plain) << threads;
    }
    expect_same_as_single_call(stream, size_of(plain));
}

TEST(Bzip2Blocks, OneBlockAndRunsThatExpandBeyondTheScratchRoom) {
    const std::string one = sample(50000, 2);
    std::string out;
    EXPECT_TRUE(blocks_decode(bzip2_stream(one, 1), size_of(one), 2, out));
    EXPECT_TRUE(out == one);

    // Long runs of one byte make a block decode to far more than its 100 kB.
    std::string runs;
    for (int k = 0; k < 40; ++k) runs += sample(20000, 10 + k) + std::string(400000, static_cast<char>(k));
    const std::string stream = bzip2_stream(runs, 1);
    for (unsigned threads : {1u, 2u, 4u}) {
        EXPECT_TRUE(blocks_decode(stream, size_of(runs), threads, out)) << threads;
        EXPECT_TRUE(out == runs) << threads;
    }
    expect_same_as_single_call(stream, size_of(runs));
}

TEST(Bzip2Blocks, StreamFromTheBzip2Tool) {
    const std::string plain = sample(600000, 3);
    const std::string in_name = testing::TempDir() + "bzip2_blocks_plain";
    {
        std::ofstream out(in_name, std::ios::binary);
        out << plain;
    }
    const std::string command = "bzip2 -1 -c -k " + in_name + " > " + in_name + ".bz2 2>/dev/null";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "no bzip2 tool here";
    std::ifstream in(in_name + ".bz2", std::ios::binary);
    const std::string stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(in_name.c_str());
    std::remove((in_name + ".bz2").c_str());
    std::string out;
    EXPECT_TRUE(blocks_decode(stream, size_of(plain), 2, out));
    EXPECT_TRUE(out == plain);
    expect_same_as_single_call(stream, size_of(plain));
}

TEST(Bzip2Blocks, FalseMagicInsideABlockFallsBackToTheSingleCall) {
    const std::string plain = sample(500000, 4);
    const std::string intact = bzip2_stream(plain, 1);
    const std::size_t second = second_block_bit(intact);
    ASSERT_NE(0u, second);
    // The block magic written into the first block's data at odd bit offsets, and the end
    // marker too: the block is cut there and can no longer decode.
    for (std::size_t at : {std::size_t(1000), second / 2 + 3, second - 200}) {
        for (std::uint64_t magic : {std::uint64_t(0x314159265359), std::uint64_t(0x177245385090)}) {
            std::string stream = intact;
            set_bits(stream, at, magic, 48);
            std::string out;
            EXPECT_FALSE(blocks_decode(stream, size_of(plain), 2, out)) << at;
            expect_same_as_single_call(stream, size_of(plain));
        }
    }
}

TEST(Bzip2Blocks, DamagedBlockOrChecksumFallsBackWithTheSingleCallsCode) {
    const std::string plain = sample(500000, 5);
    const std::string intact = bzip2_stream(plain, 1);
    const std::size_t second = second_block_bit(intact);
    std::string out;

    std::string data = intact;
    data[(second / 8) + 2000] = static_cast<char>(data[(second / 8) + 2000] ^ 0x10);  // inside the second block's data
    EXPECT_FALSE(blocks_decode(data, size_of(plain), 2, out));
    expect_same_as_single_call(data, size_of(plain));

    std::string block_checksum = intact;
    const std::size_t checksum_bit = second + 48 + 7;  // in the second block's stored checksum
    block_checksum[checksum_bit / 8] = static_cast<char>(block_checksum[checksum_bit / 8] ^ (0x80u >> (checksum_bit % 8)));
    EXPECT_FALSE(blocks_decode(block_checksum, size_of(plain), 2, out));
    expect_same_as_single_call(block_checksum, size_of(plain));
    EXPECT_STREQ("bz2.unpack", decode(block_checksum, size_of(plain), 0).identifier);
    EXPECT_EQ(error_code(-4, bz2::bzip2_category()), decode(block_checksum, size_of(plain), 0).code);

    std::string stream_checksum = intact;
    // The last byte may be padding; the one before it is always inside the stream's checksum.
    stream_checksum[stream_checksum.size() - 2] = static_cast<char>(stream_checksum[stream_checksum.size() - 2] ^ 0x01);
    EXPECT_FALSE(blocks_decode(stream_checksum, size_of(plain), 2, out));
    expect_same_as_single_call(stream_checksum, size_of(plain));
    EXPECT_EQ(error_code(-4, bz2::bzip2_category()), decode(stream_checksum, size_of(plain), 0).code);

    // Damage in the last blocks, which may make one decode to more than is left of the
    // recorded size: the library's checksum of that block decides, on the blocks' path too.
    const std::size_t last = intact.size() - (intact.size() - second / 8) / 3;
    for (std::size_t at = last; at + 10 < intact.size(); at += (intact.size() - last) / 8) {
        std::string damaged = intact;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x55);
        expect_same_as_single_call(damaged, size_of(plain));
        with_threads(2, [&] {
            const Decoded d = decode(damaged, size_of(plain), 0);
            EXPECT_STREQ("bz2.unpack", d.identifier) << at;
            EXPECT_EQ(&bz2::bzip2_category(), &d.code.category());
            EXPECT_GT(0, d.code.value()) << at;
        });
    }
}

TEST(Bzip2Blocks, CutStreamsAndOtherSizesFallBack) {
    const std::string plain = sample(400000, 6);
    const std::string stream = bzip2_stream(plain, 1);
    const std::uint32_t size = size_of(plain);
    std::string out;
    for (const std::string& cut : {stream.substr(0, stream.size() / 2), stream.substr(0, stream.size() - 6),
                                   stream.substr(0, stream.size() - 1), stream.substr(0, 40)}) {
        EXPECT_FALSE(blocks_decode(cut, size, 2, out));
        expect_same_as_single_call(cut, size);
    }
    for (std::uint32_t other : {size - 1, size + 1, size / 2, 1u}) {
        EXPECT_FALSE(blocks_decode(stream, other, 2, out)) << other;
        expect_same_as_single_call(stream, other);
    }
    expect_same_as_single_call(stream, 0);
    expect_same_as_single_call("BZh1", size);
    expect_same_as_single_call("not bzip2 at all, but long enough to be looked at", size);
}

TEST(Bzip2Blocks, WhatFollowsTheEndMarkerIsNotLookedAt) {
    const std::string plain = sample(300000, 7);
    const std::string stream = bzip2_stream(plain, 1) + bzip2_stream(sample(300000, 8), 1);
    std::string out;
    EXPECT_TRUE(blocks_decode(stream, size_of(plain), 2, out));
    EXPECT_TRUE(out == plain);
    expect_same_as_single_call(stream, size_of(plain));
}

TEST(Bzip2Blocks, LargeEntryInsideAnEntryLoopIsHelpedByIdleWorkers) {
    const std::string plain = sample(900000, 9);
    const std::string stream = bzip2_stream(plain, 1);
    std::vector<std::string> outs(6);
    std::vector<const char*> identifiers(6, "unset");
    parallel::parallel_for(0, outs.size(), [&](std::size_t i) {
        error_code code;
        std::string data = i == 2 ? stream : bzip2_stream(plain.substr(0, 1000 * i), 1);
        identifiers[i] = decode_bzip2_from(data, i == 2 ? size_of(plain) : static_cast<std::uint32_t>(1000 * i),
                                           code, 100000);
        outs[i].swap(data);
    }, 2);
    for (std::size_t i = 0; i < outs.size(); ++i) {
        EXPECT_EQ(nullptr, identifiers[i]) << i;
        EXPECT_TRUE(outs[i] == (i == 2 ? plain : plain.substr(0, 1000 * i))) << i;
    }
}

namespace {

void* kept_allocate(bz2::KeptAllocations& kept, std::size_t size) {
    return bz2::KeptAllocations::allocate(&kept, static_cast<int>(size), 1);
}

// One stream through the library with `kept` as its allocator; the code of the last call.
int decode_with(bz2::KeptAllocations& kept, const std::string& stream, std::string& out) {
    bz_stream s;
    std::memset(&s, 0, sizeof s);
    s.bzalloc = &bz2::KeptAllocations::allocate;
    s.bzfree = &bz2::KeptAllocations::release;
    s.opaque = &kept;
    if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) return BZ_MEM_ERROR;
    bz2::DecompressorEnd owner(s);
    std::string input = stream;
    s.next_in = &input[0];
    s.avail_in = static_cast<unsigned>(input.size());
    s.next_out = &out[0];
    s.avail_out = static_cast<unsigned>(out.size());
    return BZ2_bzDecompress(&s);
}

}  // namespace

TEST(Bzip2KeptAllocations, GivesBackTheSameRoomForTheSameSize) {
    bz2::KeptAllocations kept;
    void* tables = kept_allocate(kept, 900000);
    void* state = kept_allocate(kept, 64000);
    ASSERT_NE(nullptr, tables);
    ASSERT_NE(nullptr, state);
    EXPECT_NE(tables, state);
    std::memset(tables, 1, 900000);
    std::memset(state, 2, 64000);
    bz2::KeptAllocations::release(&kept, tables);
    bz2::KeptAllocations::release(&kept, state);
    EXPECT_EQ(state, kept_allocate(kept, 64000));
    EXPECT_EQ(tables, kept_allocate(kept, 900000));
    // Taken rooms are never handed out twice.
    void* third = kept_allocate(kept, 900000);
    EXPECT_NE(tables, third);
    EXPECT_NE(state, third);
    bz2::KeptAllocations::release(&kept, third);
    bz2::KeptAllocations::release(&kept, tables);
    bz2::KeptAllocations::release(&kept, state);
}

TEST(Bzip2KeptAllocations, MoreAtOnceThanIsKeptAndOtherSizes) {
    bz2::KeptAllocations kept;
    std::vector<void*> taken;
    for (std::size_t k = 0; k < 7; ++k) {
        taken.push_back(kept_allocate(kept, 1000 + k));
        ASSERT_NE(nullptr, taken.back());
        std::memset(taken.back(), static_cast<int>(k), 1000 + k);
    }
    for (std::size_t k = 0; k < taken.size(); ++k) {
        for (std::size_t j = k + 1; j < taken.size(); ++j) EXPECT_NE(taken[k], taken[j]);
    }
    // Given back in another order; the ones not kept are freed (a leak or a double free
    // shows under the sanitizers).
    for (std::size_t k = taken.size(); k-- > 0;) bz2::KeptAllocations::release(&kept, taken[k]);
    // A size not kept replaces a kept room of another size that is not taken.
    void* other = kept_allocate(kept, 5000);
    ASSERT_NE(nullptr, other);
    std::memset(other, 3, 5000);
    bz2::KeptAllocations::release(&kept, other);
    EXPECT_EQ(nullptr, bz2::KeptAllocations::allocate(&kept, -1, 1));
}

TEST(Bzip2KeptAllocations, StreamsOneAfterAnotherOnTheSameRoomDecodeAlike) {
    const std::string plain = sample(250000, 11);
    const std::string intact = bzip2_stream(plain, 1);
    std::string damaged = intact;
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x20);
    bz2::KeptAllocations kept;
    std::string out(plain.size(), '\0');
    EXPECT_EQ(BZ_STREAM_END, decode_with(kept, intact, out));
    EXPECT_TRUE(out == plain);
    // A stream left half decoded leaves its tables behind for the next one.
    std::string partial(plain.size() / 3, '\0');
    EXPECT_EQ(BZ_OK, decode_with(kept, intact, partial));
    EXPECT_NE(BZ_STREAM_END, decode_with(kept, damaged, out));
    out.assign(plain.size(), '\0');
    EXPECT_EQ(BZ_STREAM_END, decode_with(kept, intact, out));
    EXPECT_TRUE(out == plain);
}
