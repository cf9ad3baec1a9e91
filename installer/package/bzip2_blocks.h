#pragma once
// A bzip2 stream decoded block by block on the workers of the parallel loop. Each block
// starts with its own 48-bit magic at some bit offset and carries its own checksum, so a
// block cut out and given a stream header and end marker of its own decodes alone.
#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/system/error_code.hpp>
#include <bzlib.h>

namespace bz2 {

// Ends the decompressor on every path, exceptions included.
class DecompressorEnd {
public:
    explicit DecompressorEnd(bz_stream& stream) : stream_(stream) {}
    ~DecompressorEnd() { BZ2_bzDecompressEnd(&stream_); }
    DecompressorEnd(const DecompressorEnd&) = delete;
    DecompressorEnd& operator=(const DecompressorEnd&) = delete;

private:
    bz_stream& stream_;
};

// The library's allocator (bzalloc and bzfree, with this as `opaque`) keeping what it
// gives out for the next stream. A block's decode tables are 4 bytes for each byte the
// block may hold, 3.6 MB at level 9; fresh ones for every block cost a page fault for
// every 4 KiB written. Not for two streams at once.
class KeptAllocations {
public:
    KeptAllocations() = default;
    ~KeptAllocations();
    KeptAllocations(const KeptAllocations&) = delete;
    KeptAllocations& operator=(const KeptAllocations&) = delete;

    static void* allocate(void* kept, int count, int size);
    static void release(void* kept, void* data);

private:
    struct Piece {
        void* data = nullptr;
        std::size_t size = 0;
        bool taken = false;
    };

    void* take(std::size_t size) noexcept;
    void give_back(void* data) noexcept;

    Piece pieces_[4];  // the library asks for two at once when decoding
};

}  // namespace bz2

// Fills `out` (room for exactly `size` bytes) with the decoded stream and answers true
// only when a single-call decode of `stream` would succeed with these very bytes: every
// block found by its magic decodes to its end and its checksum, nothing is left between
// blocks, the stream's checksum matches and the sizes add up to `size`. Anything else
// (a magic pattern inside block data, a damaged or cut stream, other sizes) answers
// false, and `out` holds nothing of use.
bool decode_bzip2_blocks(const std::string& stream, char* out, std::uint32_t size);

// decode_bzip2 with the compressed size from which the blocks are tried on several
// workers first (when more than one worker is there); any doubt falls back to the
// single call, so identifiers, codes and bytes are always the single call's.
const char* decode_bzip2_from(std::string& data, std::uint32_t uncompressed_size,
                              boost::system::error_code& code, std::size_t blocks_from);

// The compressed size from which decode_bzip2 tries the blocks on several workers.
constexpr std::size_t bzip2_blocks_from = std::size_t(1) << 20;
