// The deflate and bzip2 entry decoders on streams made by the libraries' own compressors,
// whole, cut short, oversized and damaged.
#include <gtest/gtest.h>

#include <bzlib.h>
#include <miniz.h>

#include <random>
#include <string>

#include "installer/base/errors.h"
#include "installer/package/decoders.h"
#include "tests/package/bzip2_streams.h"

namespace {

using boost::system::error_code;

std::string sample_text(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    const char* words[] = {"launcher ", "package ", "entry ", "stream ", "block ", "file\n"};
    std::string out;
    while (out.size() < size) out += words[rng() % 6];
    out.resize(size);
    return out;
}

std::string sample_noise(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(rng());
    return out;
}

std::string raw_deflate(const std::string& plain) {
    std::string out(plain.size() + plain.size() / 8 + 1024, '\0');
    const std::size_t n = tdefl_compress_mem_to_mem(&out[0], out.size(), plain.data(), plain.size(),
                                                    TDEFL_DEFAULT_MAX_PROBES);
    out.resize(n);
    return out;
}

std::string bzip2(const std::string& plain, int block_size = 9) { return bzip2_stream(plain, block_size); }

struct Decoded {
    const char* identifier;
    error_code code;
    std::string data;
};

template <class Decoder>
Decoded run(Decoder decoder, std::string data, std::uint32_t size) {
    Decoded d{nullptr, error_code(), std::move(data)};
    d.identifier = decoder(d.data, size, d.code);
    return d;
}

// The outcome text of a failed decode; empty for a success.
std::wstring outcome(const Decoded& d) {
    if (!d.identifier) return std::wstring();
    return describe_exception(std::make_exception_ptr(boost::system::system_error(d.code, d.identifier)));
}

std::wstring system_outcome(const std::string& identifier, int value) {
    const std::string message = boost::system::system_category().message(value);
    return std::wstring(identifier.begin(), identifier.end()) + L": " +
           std::wstring(message.begin(), message.end()) + L":system:" + std::to_wstring(value);
}

}  // namespace

TEST(DeflateDecoder, DecodesTextNoiseAndEmptyToTheirExactSize) {
    for (const std::string& plain : {sample_text(300000, 1), sample_noise(70000, 2), std::string()}) {
        SCOPED_TRACE(plain.size());
        const Decoded d = run(decode_deflate, raw_deflate(plain), static_cast<std::uint32_t>(plain.size()));
        EXPECT_EQ(nullptr, d.identifier);
        EXPECT_TRUE(d.data == plain);
        EXPECT_FALSE(d.code);
    }
}

TEST(DeflateDecoder, SizeMismatchesAndDamageFail) {
    const std::string plain = sample_text(50000, 3);
    const std::string stream = raw_deflate(plain);
    const Decoded shorter = run(decode_deflate, stream, 50001);
    EXPECT_STREQ("deflate.size", shorter.identifier);
    EXPECT_EQ(50001u, shorter.data.size());
    EXPECT_EQ(0, shorter.data.back());
    EXPECT_EQ(system_outcome("deflate.size", 0), outcome(shorter));

    const Decoded longer = run(decode_deflate, stream, 49999);
    EXPECT_STREQ("deflate.error", longer.identifier);
    EXPECT_EQ(system_outcome("deflate.error", 0), outcome(longer));

    EXPECT_STREQ("deflate.error", run(decode_deflate, stream.substr(0, stream.size() / 2), 50000).identifier);
    EXPECT_STREQ("deflate.error", run(decode_deflate, std::string(100, '\xFF'), 50000).identifier);
    EXPECT_STREQ("deflate.error", run(decode_deflate, std::string(), 10).identifier);
}

TEST(Bzip2Decoder, DecodesSeveralBlocksAndResetsTheCode) {
    const std::string plain = sample_text(1200000, 4);  // three 400 kB blocks
    Decoded d{nullptr, error_code(7, bz2::bzip2_category()), bzip2(plain, 4)};
    d.identifier = decode_bzip2(d.data, static_cast<std::uint32_t>(plain.size()), d.code);
    EXPECT_EQ(nullptr, d.identifier);
    EXPECT_TRUE(d.data == plain);
    EXPECT_EQ(0, d.code.value());
    EXPECT_EQ(&boost::system::system_category(), &d.code.category());
}

TEST(Bzip2Decoder, EndsOfTheStream) {
    const std::string plain = sample_text(1200000, 5);
    const std::string stream = bzip2(plain, 4);
    const auto size = static_cast<std::uint32_t>(plain.size());

    // Size 0 decodes nothing, whatever the data holds.
    const Decoded nothing = run(decode_bzip2, "not bzip2 at all", 0);
    EXPECT_EQ(nullptr, nothing.identifier);
    EXPECT_TRUE(nothing.data.empty());

    // The recorded size is produced before the end marker is reached.
    const Decoded cut_after = run(decode_bzip2, stream.substr(0, stream.size() - 6), size);
    EXPECT_EQ(nullptr, cut_after.identifier);
    EXPECT_TRUE(cut_after.data == plain);

    // The data ends in the second block: a partial file must not pass for a whole one.
    const Decoded cut_before = run(decode_bzip2, stream.substr(0, stream.size() / 2), size);
    EXPECT_STREQ("bz2.unpack", cut_before.identifier);
    EXPECT_EQ(L"bz2.unpack: -7:bz2:-7", outcome(cut_before));

    // A proper end with fewer bytes than recorded.
    const Decoded fewer = run(decode_bzip2, stream, size + 1);
    EXPECT_STREQ("bz2.unpack", fewer.identifier);
    EXPECT_EQ(L"bz2.unpack: 4:bz2:4", outcome(fewer));

    // More bytes than recorded: the recorded size is what is kept.
    const Decoded more = run(decode_bzip2, stream, size - 1);
    EXPECT_EQ(nullptr, more.identifier);
    EXPECT_TRUE(more.data == plain.substr(0, size - 1));
}

TEST(Bzip2Decoder, DamagedStreamsCarryTheLibrarysCode) {
    const std::string plain = sample_text(100000, 6);
    std::string stream = bzip2(plain);
    stream[10] ^= 0x55;  // the first block's CRC, right after "BZh9" and the block magic
    const Decoded checksum = run(decode_bzip2, stream, static_cast<std::uint32_t>(plain.size()));
    EXPECT_STREQ("bz2.unpack", checksum.identifier);
    EXPECT_EQ(L"bz2.unpack: -4:bz2:-4", outcome(checksum));

    const Decoded magic = run(decode_bzip2, "PK not a bzip2 stream", 100);
    EXPECT_STREQ("bz2.unpack", magic.identifier);
    EXPECT_EQ(BZ_DATA_ERROR_MAGIC, magic.code.value());
    EXPECT_EQ(&bz2::bzip2_category(), &magic.code.category());

    const Decoded empty = run(decode_bzip2, std::string(), 100);
    EXPECT_STREQ("bz2.unpack", empty.identifier);
}

// The recorded size ends a few bytes before the block does: the library takes its
// checksums only once the block's last byte is out, so it must be given the room to get
// there. A stream that holds those few bytes more is otherwise fine (see EndsOfTheStream).
TEST(Bzip2Decoder, ChecksumsAreComparedWhenTheSizeEndsJustBeforeTheBlock) {
    const std::string plain = sample_text(100000, 7);
    const std::string intact = bzip2(plain);
    const auto size = static_cast<std::uint32_t>(plain.size() - 5);

    const Decoded fine = run(decode_bzip2, intact, size);
    EXPECT_EQ(nullptr, fine.identifier);
    EXPECT_TRUE(fine.data == plain.substr(0, size));

    std::string block = intact;
    block[10] ^= 0x01;  // the block's stored checksum
    EXPECT_EQ(L"bz2.unpack: -4:bz2:-4", outcome(run(decode_bzip2, block, size)));

    // The stream's checksum: the last 32 bits before at most 7 bits of padding.
    std::string stream = intact;
    stream[stream.size() - 2] ^= 0x10;
    EXPECT_EQ(L"bz2.unpack: -4:bz2:-4", outcome(run(decode_bzip2, stream, size)));
    EXPECT_EQ(L"bz2.unpack: -4:bz2:-4", outcome(run(decode_bzip2, stream, size + 5)));
}
