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

// The library compares a block's checksum only once the block's last byte is out, and the
// stream's when it reads the end marker; a call whose room fills before either returns
// BZ_OK. A damaged block often makes more bytes than the intact one, so the rest of the
// block the recorded size ends in is decoded into scratch room until the library moves
// on: BZ_DATA_ERROR for a damaged block or stream, BZ_STREAM_END at the end marker, and
// BZ_OK when the input ends there (a stream cut after the recorded size), the library has
// started on a further block (the stream holds more than the recorded size; what the
// entry keeps is decided by the caller) or `budget` bytes were decoded.
int finish_block(bz_stream& stream, std::uint64_t budget) {
    char scratch[32 * 1024];
    const unsigned int input_left = stream.avail_in;
    std::uint64_t decoded = 0;
    while (decoded < budget) {
        stream.next_out = scratch;
        stream.avail_out = sizeof scratch;
        const int result = BZ2_bzDecompress(&stream);
        if (result != BZ_OK) return result == BZ_STREAM_END ? BZ_STREAM_END : result;
        const unsigned int made = static_cast<unsigned int>(sizeof scratch) - stream.avail_out;
        // A block's output takes no input: input taken means its checksum has matched.
        if (stream.avail_in != input_left || made == 0) return BZ_OK;
        decoded += made;
    }
    return BZ_OK;
}

// How much finish_block may decode. A block holds at most 100,000 symbols a level ("BZh1"
// to "BZh9"), and each five of them may stand for 259 bytes (four and a repeat count), so
// a hostile block of 40 bytes can decode to 46 MB, twenty times the work of reading it.
// The budget is also no more than the recorded size or 4 MiB, whichever is larger, so that
// an entry claiming a few bytes costs at most a few times what reading its block did. The
// damage seen in blocks adds up to a few hundred KB; a block that outgrows the budget is
// left to the entry's CRC-32.
std::uint64_t finish_budget(const std::string& input, std::uint32_t uncompressed_size) {
    const int level = input.size() >= 4 && input[3] >= '1' && input[3] <= '9' ? input[3] - '0' : 9;
    const std::uint64_t block_output = std::uint64_t(level) * 100000 / 5 * 259 + 259;
    return std::min(block_output, std::max<std::uint64_t>(uncompressed_size, std::uint64_t(4) << 20));
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
    if (result == BZ_OK && produced == uncompressed_size) result = finish_block(stream, finish_budget(input, uncompressed_size));
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
