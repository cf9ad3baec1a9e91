// The CRC-32 of ZIP entries against miniz's, on every length and alignment around the
// 8-byte steps and in pieces.
#include "installer/package/crc32.h"

#include <gtest/gtest.h>
#include <miniz.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

std::uint32_t reference(const std::string& data) {
    return static_cast<std::uint32_t>(
        mz_crc32(MZ_CRC32_INIT, reinterpret_cast<const unsigned char*>(data.data()), data.size()));
}

}  // namespace

TEST(Crc32, KnownValues) {
    EXPECT_EQ(0u, crc32_of("", 0));
    EXPECT_EQ(0xCBF43926u, crc32_of("123456789", 9));
    EXPECT_EQ(0x414FA339u, crc32_of("The quick brown fox jumps over the lazy dog", 43));
}

TEST(Crc32, AgreesWithMinizAtEveryLengthAndAlignment) {
    std::mt19937 rng(11);
    std::string buffer(300, '\0');
    for (char& c : buffer) c = static_cast<char>(rng());
    for (std::size_t start = 0; start < 8; ++start) {
        for (std::size_t length = 0; length + start <= 80; ++length) {
            const std::string piece = buffer.substr(start, length);
            ASSERT_EQ(reference(piece), crc32_of(buffer.data() + start, length)) << start << "+" << length;
        }
    }
    // Around and above the size where three lanes take over, with every remainder.
    std::string large(1 << 20, '\0');
    for (char& c : large) c = static_cast<char>(rng());
    for (std::size_t length : {12287, 12288, 12289, 12295, 12311, 100000, 1 << 20}) {
        for (std::size_t start = 0; start < 3; ++start) {
            const std::size_t n = std::min<std::size_t>(length, large.size() - start);
            ASSERT_EQ(reference(large.substr(start, n)), crc32_of(large.data() + start, n)) << start << "+" << n;
        }
    }
}

TEST(Crc32, PiecesContinueWhereTheLastEnded) {
    std::string text = "a launcher package entry checked in pieces of odd sizes";
    while (text.size() < 40000) text += text;
    for (std::size_t cut = 0; cut <= text.size(); cut += cut < 64 ? 1 : 997) {
        const std::uint32_t first = crc32_of(text.data(), cut);
        EXPECT_EQ(reference(text), crc32_of(text.data() + cut, text.size() - cut, first)) << cut;
    }
}
