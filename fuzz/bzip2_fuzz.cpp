// bzip2 data after a 3-byte uncompressed size (17 bits used, so runs stay fast). The
// single call, and the block by block decode on two workers: same identifier, code and
// bytes; when the blocks alone answer yes, the single call succeeds with their bytes.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "installer/package/bzip2_blocks.h"
#include "installer/package/decoders.h"
#include "installer/package/parallel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint32_t uncompressed = data[0] | data[1] << 8 | (data[2] & 0x01) << 16;
    const std::string stream(reinterpret_cast<const char*>(data) + 3, size - 3);
    std::string entry = stream;
    boost::system::error_code code;
    const char* identifier =
        decode_bzip2_from(entry, uncompressed, code, std::numeric_limits<std::size_t>::max());
    if (!identifier && entry.size() != uncompressed) __builtin_trap();

    parallel::parallel_for(0, 1, [&](std::size_t) {
        std::string blocks_entry = stream;
        boost::system::error_code blocks_code;
        const char* blocks_identifier = decode_bzip2_from(blocks_entry, uncompressed, blocks_code, 0);
        if (blocks_identifier != identifier || blocks_code != code || blocks_entry != entry) __builtin_trap();

        std::string out(uncompressed, '\0');
        if (decode_bzip2_blocks(stream, uncompressed ? &out[0] : nullptr, uncompressed) &&
            (identifier || out != entry))
            __builtin_trap();
    }, 2);
    return 0;
}
