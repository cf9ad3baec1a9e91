#include "installer/package/crc32.h"

#include <array>

namespace {

// A register value is a polynomial over GF(2) with bit 31 holding the coefficient of x^0
// and bit 0 that of x^31 (the reflected form): shifting right multiplies by x, and the
// x^32 that falls out is replaced by the rest of the polynomial.
constexpr std::uint32_t polynomial = 0xEDB88320;  // x^32 + x^26 + ... + 1 without x^32
constexpr std::uint32_t one = 0x80000000;         // the polynomial 1

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// tables[0][b] is the register after shifting the byte b through a cleared register.
// tables[k][b] is the same byte followed by k zero bytes: the contribution a byte k
// positions before the end of an 8-byte group makes to the register after the group.
constexpr Tables make_tables() {
    Tables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t value = byte;
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (value & 1 ? polynomial : 0);
        tables[0][byte] = value;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const std::uint32_t previous = tables[k - 1][byte];
            tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    return tables;
}

constexpr Tables tables = make_tables();

// a * b modulo the polynomial.
constexpr std::uint32_t multiply(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t coefficient = one; coefficient; coefficient >>= 1) {
        if (a & coefficient) product ^= b;
        b = (b >> 1) ^ (b & 1 ? polynomial : 0);
    }
    return product;
}

// powers[k] = x^(2^k) modulo the polynomial.
constexpr std::array<std::uint32_t, 64> make_powers() {
    std::array<std::uint32_t, 64> powers{};
    powers[0] = one >> 1;
    for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = multiply(powers[k - 1], powers[k - 1]);
    return powers;
}

constexpr std::array<std::uint32_t, 64> powers = make_powers();

std::uint32_t x_to_the(std::uint64_t exponent) {
    std::uint32_t result = one;
    for (std::size_t k = 0; exponent; ++k, exponent >>= 1)
        if (exponent & 1) result = multiply(result, powers[k]);
    return result;
}

// Four bytes as a little-endian number, whatever the host's byte order and alignment.
inline std::uint32_t load32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Eight bytes through the register: it absorbs the first four, then each of the eight
// contributes through the table for its distance from the end of the group.
inline std::uint32_t step8(std::uint32_t r, const unsigned char* p) {
    const std::uint32_t low = load32(p) ^ r;
    const std::uint32_t high = load32(p + 4);
    return tables[7][low & 0xFF] ^ tables[6][low >> 8 & 0xFF] ^ tables[5][low >> 16 & 0xFF] ^
           tables[4][low >> 24] ^ tables[3][high & 0xFF] ^ tables[2][high >> 8 & 0xFF] ^
           tables[1][high >> 16 & 0xFF] ^ tables[0][high >> 24];
}

// Below this, joining lanes costs more than it saves.
constexpr std::size_t lane_threshold = 3 * 4096;

}  // namespace

std::uint32_t crc32_of(const void* data, std::size_t size, std::uint32_t crc) noexcept {
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint32_t r = ~crc;
    if (size >= lane_threshold) {
        // Each step waits for the table loads of the one before, so one register leaves
        // the processor idle. Three lanes over three thirds run side by side; the second
        // and third start from a cleared register and are joined by shifting what came
        // before them: n zero bytes through a register multiply it by x^(8n).
        const std::size_t lane = size / 3 / 8 * 8;
        const unsigned char* second = p + lane;
        const unsigned char* third = second + lane;
        std::uint32_t r2 = 0, r3 = 0;
        for (std::size_t i = 0; i < lane; i += 8) {
            r = step8(r, p + i);
            r2 = step8(r2, second + i);
            r3 = step8(r3, third + i);
        }
        const std::uint32_t shift = x_to_the(8 * std::uint64_t(lane));
        r = multiply(multiply(r, shift) ^ r2, shift) ^ r3;
        p += 3 * lane;
        size -= 3 * lane;
    }
    for (; size >= 8; size -= 8, p += 8) r = step8(r, p);
    for (; size > 0; --size, ++p) r = (r >> 8) ^ tables[0][(r ^ *p) & 0xFF];
    return ~r;
}
