#include "installer/package/bzip2_blocks.h"

#include <algorithm>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <bzlib.h>

#include "installer/package/parallel.h"

namespace {

constexpr std::uint64_t block_magic = 0x314159265359;
constexpr std::uint64_t end_magic = 0x177245385090;
constexpr std::size_t header_bytes = 4;  // "BZh" and the level digit

// `count` (at most 56) bits from bit `at` on, most significant first; bytes past the end
// read as zero.
std::uint64_t bits_at(const unsigned char* data, std::size_t size, std::uint64_t at, unsigned count) {
    const std::size_t first = static_cast<std::size_t>(at / 8);
    std::uint64_t word = 0;
    if (first + 8 <= size) {
        // Without the test for the end the compiler makes this one big-endian load.
        for (std::size_t k = 0; k < 8; ++k) word = word << 8 | data[first + k];
    } else {
        for (std::size_t k = 0; k < 8; ++k) word = word << 8 | (first + k < size ? data[first + k] : 0u);
    }
    return (word << (at % 8)) >> (64 - count);
}

// Where each block starts (bits), and where the end marker is with the stream checksum.
struct Layout {
    std::vector<std::uint64_t> starts;  // the blocks', then the end marker's
    std::vector<std::uint32_t> checksums;
    std::uint32_t stream_checksum = 0;
};

// Every place the block magic occurs up to the first end marker. For each bit offset in
// a byte, the magic's second and third bytes are whole, so two table look-ups per byte
// rule out almost every place before the 48 bits are compared. This runs before any
// worker starts.
bool find_blocks(const unsigned char* data, std::size_t size, Layout& layout) {
    if (size < header_bytes + 6 || std::memcmp(data, "BZh", 3) != 0 || data[3] < '1' || data[3] > '9')
        return false;
    unsigned char second[256] = {};
    unsigned char third[256] = {};
    for (unsigned shift = 0; shift < 8; ++shift) {
        for (std::uint64_t magic : {block_magic, end_magic}) {
            second[(magic >> (32 + shift)) & 0xFF] |= static_cast<unsigned char>(1u << shift);
            third[(magic >> (24 + shift)) & 0xFF] |= static_cast<unsigned char>(1u << shift);
        }
    }
    const std::uint64_t bit_size = std::uint64_t(size) * 8;
    // A magic needs 6 bytes from `byte` on: where there is no third byte there is no magic,
    // and the stream then ends without its end marker.
    for (std::size_t byte = header_bytes; byte + 2 < size; ++byte) {
        const unsigned shifts = second[data[byte + 1]] & third[data[byte + 2]];
        if (!shifts) continue;
        for (unsigned shift = 0; shift < 8; ++shift) {
            if (!(shifts & (1u << shift))) continue;
            const std::uint64_t at = std::uint64_t(byte) * 8 + shift;
            if (at + 48 > bit_size) return false;
            const std::uint64_t word = bits_at(data, size, at, 48);
            if (word == block_magic) {
                if (at + 80 > bit_size) return false;
                layout.starts.push_back(at);
                layout.checksums.push_back(static_cast<std::uint32_t>(bits_at(data, size, at + 48, 32)));
            } else if (word == end_magic) {
                if (at + 80 > bit_size || layout.starts.empty()) return false;
                layout.starts.push_back(at);
                layout.stream_checksum = static_cast<std::uint32_t>(bits_at(data, size, at + 48, 32));
                return layout.starts.front() == header_bytes * 8;
            }
        }
    }
    return false;
}

void put_bits(std::string& out, std::uint64_t at, std::uint64_t value, unsigned count) {
    for (unsigned k = 0; k < count; ++k, ++at) {
        if (value >> (count - 1 - k) & 1)
            out[static_cast<std::size_t>(at / 8)] |= static_cast<char>(0x80u >> (at % 8));
    }
}

// Block `index` as a stream of its own: the stream's header, the block's bits moved to a
// byte boundary, the end marker and, as the stream's checksum, the block's own. `out`
// keeps its room from one block to the next.
void wrap_block(const unsigned char* data, std::size_t size, const Layout& layout, std::size_t index,
                std::string& out) {
    const std::uint64_t from = layout.starts[index];
    const std::uint64_t bits = layout.starts[index + 1] - from;
    const std::size_t body = static_cast<std::size_t>((bits + 7) / 8);
    out.resize(header_bytes + static_cast<std::size_t>((bits + 80 + 7) / 8));
    std::memcpy(&out[0], data, header_bytes);
    const unsigned char* source = data + from / 8;
    // At least `body` bytes: find_blocks leaves room for an end marker after every block.
    const std::size_t available = size - static_cast<std::size_t>(from / 8);
    const unsigned shift = static_cast<unsigned>(from % 8);
    unsigned char* target = reinterpret_cast<unsigned char*>(&out[header_bytes]);
    if (shift == 0) {
        std::memcpy(target, source, body);
    } else {
        // No bounds test inside the loop, so the compiler can widen it.
        const std::size_t whole = std::min(body, available - 1);
        for (std::size_t k = 0; k < whole; ++k)
            target[k] = static_cast<unsigned char>(source[k] << shift | source[k + 1] >> (8 - shift));
        for (std::size_t k = whole; k < body; ++k) target[k] = static_cast<unsigned char>(source[k] << shift);
    }
    if (bits % 8) target[body - 1] &= static_cast<unsigned char>(0xFF00u >> (bits % 8));
    // put_bits only sets bits.
    std::memset(target + body, 0, out.size() - header_bytes - body);
    const std::uint64_t tail = header_bytes * 8 + bits;
    put_bits(out, tail, end_magic, 48);
    put_bits(out, tail + 48, layout.checksums[index], 32);
}

// What one block's decode leaves to the next one on the same worker: the library's state
// and decode tables, and the wrapped block.
struct Room {
    bz2::KeptAllocations allocations;
    std::string input;
    Room* next_free = nullptr;  // guarded by the decoder's lock
};

// Blocks are taken in stream order, whatever index the loop hands out, so the blocks
// whose place in the output is not yet known are few. A block whose predecessors are all
// in place decodes straight into the output; another decodes into scratch room of twice
// what a block holds before its runs are expanded (blocks of binaries often decode to
// more than that), and waits for its place only when it outgrows that. Scratch rooms and
// rooms for the library are used again by later blocks.
class BlockDecoder {
public:
    BlockDecoder(const std::string& stream, const Layout& layout, char* out, std::uint32_t size)
        : data_(reinterpret_cast<const unsigned char*>(stream.data())),
          data_size_(stream.size()),
          layout_(layout),
          out_(out),
          size_(size),
          blocks_(layout.checksums.size()),
          scratch_room_(static_cast<std::size_t>(stream[3] - '0') * 200000 + 4096) {
        // Never more scratch rooms than blocks: giving one back then needs no memory.
        spare_scratch_.reserve(blocks_.size());
    }

    void decode_next() noexcept {
        try {
            decode_one();
        } catch (...) {
            fail();  // e.g. no memory for scratch: the single call may still manage
        }
    }

    bool succeeded() const { return !failed_ && placed_ == blocks_.size() && offset_ == size_; }

private:
    struct Block {
        bool done = false;
        std::uint32_t size = 0;
        std::unique_ptr<char[]> scratch;  // none once in place
    };

    // A room taken from the free ones for one block, given back when the block is done.
    class RoomLease {
    public:
        RoomLease(BlockDecoder& decoder, Room& room) : decoder_(decoder), room_(room) {}
        ~RoomLease() {
            std::lock_guard<std::mutex> guard(decoder_.lock_);
            room_.next_free = decoder_.free_rooms_;
            decoder_.free_rooms_ = &room_;
        }
        RoomLease(const RoomLease&) = delete;
        RoomLease& operator=(const RoomLease&) = delete;

    private:
        BlockDecoder& decoder_;
        Room& room_;
    };

    // Under the lock.
    Room& take_room() {
        if (!free_rooms_) {
            rooms_.push_back(std::make_unique<Room>());
            return *rooms_.back();
        }
        Room& room = *free_rooms_;
        free_rooms_ = room.next_free;
        return room;
    }

    // Under the lock; none when no spare one is left.
    std::unique_ptr<char[]> take_scratch() {
        if (spare_scratch_.empty()) return nullptr;
        std::unique_ptr<char[]> scratch = std::move(spare_scratch_.back());
        spare_scratch_.pop_back();
        return scratch;
    }

    void decode_one() {
        std::size_t index;
        Room* room;
        {
            std::unique_lock<std::mutex> guard(lock_);
            // Finished blocks waiting for an earlier one: a few, so memory stays near the output's.
            changed_.wait(guard, [&] { return failed_ || pending_ <= 2 * scratch_room_; });
            if (failed_ || claimed_ == blocks_.size()) return;
            index = claimed_++;
            room = &take_room();
        }
        const RoomLease lease(*this, *room);
        decode_block(index, *room);
    }

    void decode_block(std::size_t index, Room& room) {
        std::string& input = room.input;
        wrap_block(data_, data_size_, layout_, index, input);
        bz_stream stream;
        std::memset(&stream, 0, sizeof stream);
        stream.bzalloc = &bz2::KeptAllocations::allocate;
        stream.bzfree = &bz2::KeptAllocations::release;
        stream.opaque = &room.allocations;
        if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return fail();
        bz2::DecompressorEnd owner(stream);
        stream.next_in = &input[0];
        stream.avail_in = static_cast<unsigned>(input.size());

        std::unique_ptr<char[]> scratch;
        std::uint32_t produced = 0;
        int result = BZ_OK;
        std::unique_lock<std::mutex> guard(lock_);
        bool in_place = placed_ == index;
        std::uint32_t at = offset_;
        if (!in_place) scratch = take_scratch();
        guard.unlock();
        if (!in_place) {
            // Not zero-filled: only what the block writes is touched.
            if (!scratch) scratch.reset(new char[scratch_room_]);
            stream.next_out = scratch.get();
            stream.avail_out = static_cast<unsigned>(scratch_room_);
            result = BZ2_bzDecompress(&stream);
            produced = static_cast<std::uint32_t>(scratch_room_ - stream.avail_out);
            if (result == BZ_OK && stream.avail_out == 0) {
                guard.lock();
                changed_.wait(guard, [&] { return failed_ || placed_ == index; });
                if (failed_) return;
                at = offset_;
                guard.unlock();
                if (produced > size_ - at) return fail();
                std::memcpy(out_ + at, scratch.get(), produced);
                in_place = true;
                guard.lock();
                spare_scratch_.push_back(std::move(scratch));
                guard.unlock();
            }
        }
        if (in_place) {
            stream.next_out = out_ + at + produced;
            stream.avail_out = size_ - at - produced;
            result = BZ2_bzDecompress(&stream);
            produced = size_ - at - stream.avail_out;
        }
        // Anything but the end marker right at the end of the input means the block did not
        // end where the next magic is (see find_blocks) or is damaged.
        if (result != BZ_STREAM_END || stream.avail_in != 0) return fail();

        guard.lock();
        Block& block = blocks_[index];
        block.done = true;
        block.size = produced;
        if (!in_place) {
            pending_ += scratch_room_;
            block.scratch = std::move(scratch);
        }
        place_finished();
        guard.unlock();
        changed_.notify_all();
    }

    // Under the lock: moves the finished blocks that follow those in place to their place.
    void place_finished() {
        while (!failed_ && placed_ < blocks_.size() && blocks_[placed_].done) {
            Block& block = blocks_[placed_];
            if (block.size > size_ - offset_) {
                failed_ = true;
                return;
            }
            if (block.scratch) {
                std::memcpy(out_ + offset_, block.scratch.get(), block.size);
                pending_ -= scratch_room_;
                spare_scratch_.push_back(std::move(block.scratch));
            }
            offset_ += block.size;
            ++placed_;
        }
    }

    void fail() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            failed_ = true;
        }
        changed_.notify_all();
    }

    const unsigned char* const data_;
    const std::size_t data_size_;
    const Layout& layout_;
    char* const out_;
    const std::uint32_t size_;
    std::vector<Block> blocks_;
    const std::size_t scratch_room_;

    std::mutex lock_;
    std::condition_variable changed_;
    bool failed_ = false;
    std::size_t claimed_ = 0;
    std::size_t placed_ = 0;
    std::uint32_t offset_ = 0;
    std::size_t pending_ = 0;
    std::vector<std::unique_ptr<Room>> rooms_;  // one for each block decoding at once
    Room* free_rooms_ = nullptr;
    std::vector<std::unique_ptr<char[]>> spare_scratch_;
};

}  // namespace

namespace bz2 {

KeptAllocations::~KeptAllocations() {
    for (Piece& piece : pieces_) std::free(piece.data);
}

void* KeptAllocations::allocate(void* kept, int count, int size) {
    if (count < 0 || size < 0) return nullptr;
    return static_cast<KeptAllocations*>(kept)->take(std::size_t(count) * std::size_t(size));
}

void KeptAllocations::release(void* kept, void* data) {
    static_cast<KeptAllocations*>(kept)->give_back(data);
}

void* KeptAllocations::take(std::size_t size) noexcept {
    for (Piece& piece : pieces_) {
        if (piece.data && !piece.taken && piece.size == size) {
            piece.taken = true;
            return piece.data;
        }
    }
    // An empty place first; else a free piece of another size makes way, so pieces the
    // next block will ask for again are kept where room allows.
    Piece* place = nullptr;
    for (Piece& piece : pieces_) {
        if (piece.taken) continue;
        if (!piece.data) {
            place = &piece;
            break;
        }
        if (!place) place = &piece;
    }
    if (!place) return std::malloc(size);  // more at once than is kept: freed when given back
    std::free(place->data);
    place->size = size;
    place->data = std::malloc(size);
    place->taken = place->data != nullptr;
    return place->data;
}

void KeptAllocations::give_back(void* data) noexcept {
    for (Piece& piece : pieces_) {
        if (piece.taken && piece.data == data) {
            piece.taken = false;
            return;
        }
    }
    std::free(data);
}

}  // namespace bz2

bool decode_bzip2_blocks(const std::string& stream, char* out, std::uint32_t size) {
    Layout layout;
    if (!find_blocks(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(), layout))
        return false;
    std::uint32_t combined = 0;
    for (std::uint32_t checksum : layout.checksums) combined = (combined << 1 | combined >> 31) ^ checksum;
    if (combined != layout.stream_checksum) return false;

    BlockDecoder decoder(stream, layout, out, size);
    parallel::parallel_for(0, layout.checksums.size(), [&](std::size_t) { decoder.decode_next(); });
    return decoder.succeeded();
}
