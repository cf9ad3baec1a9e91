#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include <bzlib.h>

#include "installer/base/errors.h"
#include "installer/package/bzip2_blocks.h"
#include "installer/package/decoders.h"
#include "installer/package/large_buffer.h"
#include "installer/package/parallel.h"

namespace {

// The library compares a block's checksum only once the block's last byte has been taken,
// and the stream's checksum after that, when it reads the end marker; a call whose output
// room fills with the block's last byte may return before either. One more call with a
// small scratch room lets it get there: a damaged block or stream then answers
// BZ_DATA_ERROR. The answer is BZ_STREAM_END at the end marker, and BZ_OK when the input
// ends first (a stream cut after the recorded size) or more output follows (the stream
// holds more than the recorded size; what the entry keeps is decided by the caller).
int check_after_full_output(bz_stream& stream) {
    char scratch[16];
    stream.next_out = scratch;
    stream.avail_out = sizeof scratch;
    const int result = BZ2_bzDecompress(&stream);
    return result == BZ_STREAM_END ? BZ_STREAM_END : result < 0 ? result : BZ_OK;
}

}  // namespace

const char* decode_bzip2(std::string& data, std::uint32_t uncompressed_size,
                         boost::system::error_code& code) {
    return decode_bzip2_from(data, uncompressed_size, code, bzip2_blocks_from);
}

const char* decode_bzip2_from(std::string& data, std::uint32_t uncompressed_size,
                              boost::system::error_code& code, std::size_t blocks_from) {
    std::string input;
    input.swap(data);
    const bool blocks = uncompressed_size != 0 && input.size() >= blocks_from && parallel::available_workers() > 1;
    // Fewer, larger pages fault faster.
    data.reserve(uncompressed_size);
    prepare_large_buffer(&data[0], data.capacity());
    // Zeroing the fresh pages costs more than the fill below: shared by the workers
    // rather than left to this thread before the blocks start.
    if (blocks) populate_in_parallel(&data[0], data.capacity());
    data.resize(uncompressed_size);

    if (blocks) {
        if (decode_bzip2_blocks(input, &data[0], uncompressed_size)) {
            code.assign(0, boost::system::system_category());
            return nullptr;
        }
        // In doubt: the single call decides, from a clean output.
        std::fill(data.begin(), data.end(), '\0');
    }

    bz_stream stream;
    std::memset(&stream, 0, sizeof stream);
    const int opened = BZ2_bzDecompressInit(&stream, 0, 0);
    bz2::DecompressorEnd owner(stream);
    if (opened != BZ_OK) {
        code.assign(opened, bz2::bzip2_category());
        return "bz2.open";
    }
    stream.next_in = const_cast<char*>(input.data());
    stream.avail_in = static_cast<unsigned int>(input.size());
    code.assign(0, boost::system::system_category());
    if (uncompressed_size == 0) return nullptr;

    stream.next_out = &data[0];
    stream.avail_out = uncompressed_size;
    int result = BZ2_bzDecompress(&stream);
    const std::uint32_t produced = uncompressed_size - stream.avail_out;
    if (result == BZ_OK && produced == uncompressed_size) result = check_after_full_output(stream);
    code.assign(result, bz2::bzip2_category());
    if (result == BZ_STREAM_END && produced == uncompressed_size) {
        code.assign(0, boost::system::system_category());
    } else if (result == BZ_OK && produced != uncompressed_size) {
        // The input ran out before the file was complete: not a zero-padded success.
        code.assign(BZ_UNEXPECTED_EOF, bz2::bzip2_category());
    } else if (result == BZ_OK) {
        // The recorded size is filled; what follows in the stream is not needed.
        code.assign(0, boost::system::system_category());
    }
    return code.value() == 0 ? nullptr : "bz2.unpack";
}
