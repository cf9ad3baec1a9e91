// bzip2 data after a 3-byte uncompressed size (17 bits used, so runs stay fast).
#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/package/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint32_t uncompressed = data[0] | data[1] << 8 | (data[2] & 0x01) << 16;
    std::string entry(reinterpret_cast<const char*>(data) + 3, size - 3);
    boost::system::error_code code;
    if (!decode_bzip2(entry, uncompressed, code) && entry.size() != uncompressed) __builtin_trap();
    return 0;
}
