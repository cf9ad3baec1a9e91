#include "installer/package/crc32.h"

#include <array>

namespace {

constexpr std::uint32_t polynomial = 0xEDB88320;  // x^32 + x^26 + ... + 1, bits reversed

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// tables[0][b] is the CRC register after shifting the byte b through a cleared register.
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

// Four bytes as a little-endian number, whatever the host's byte order and alignment.
inline std::uint32_t load32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

std::uint32_t crc32_of(const void* data, std::size_t size, std::uint32_t crc) noexcept {
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint32_t r = ~crc;
    // The register absorbs the first four bytes of a group; each of the eight bytes then
    // contributes through the table for its distance from the end of the group.
    for (; size >= 8; size -= 8, p += 8) {
        const std::uint32_t low = load32(p) ^ r;
        const std::uint32_t high = load32(p + 4);
        r = tables[7][low & 0xFF] ^ tables[6][low >> 8 & 0xFF] ^ tables[5][low >> 16 & 0xFF] ^
            tables[4][low >> 24] ^ tables[3][high & 0xFF] ^ tables[2][high >> 8 & 0xFF] ^
            tables[1][high >> 16 & 0xFF] ^ tables[0][high >> 24];
    }
    for (; size > 0; --size, ++p) r = (r >> 8) ^ tables[0][(r ^ *p) & 0xFF];
    return ~r;
}
