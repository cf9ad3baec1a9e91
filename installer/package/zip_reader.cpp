#include "installer/package/zip_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "installer/base/utf8.h"
#include "installer/package/crc32.h"
#include "installer/package/decoders.h"
#include "installer/package/large_buffer.h"

namespace {

constexpr std::uint32_t end_signature = 0x06054B50;
constexpr std::uint32_t directory_signature = 0x02014B50;
constexpr std::uint32_t local_signature = 0x04034B50;
constexpr std::uint32_t zip64_locator_signature = 0x07064B50;

constexpr std::int64_t tail_window = 65536 + 1024;
constexpr std::size_t end_record_size = 22;
constexpr std::size_t zip64_locator_size = 20;
constexpr std::size_t directory_record_size = 46;
constexpr std::size_t local_header_size = 30;

// Field offsets within the records.
namespace end_record {
constexpr std::size_t entry_count = 10, directory_size = 12, directory_offset = 16, comment_length = 20;
}
namespace directory_record {
constexpr std::size_t method = 10, crc = 16, compressed_size = 20, uncompressed_size = 24, name_length = 28,
                      extra_length = 30, comment_length = 32, local_header_offset = 42;
}
namespace local_header {
constexpr std::size_t name_length = 26, extra_length = 28;
}

constexpr int invalid_parameter = 87;  // ERROR_INVALID_PARAMETER
constexpr int handle_eof = 38;         // ERROR_HANDLE_EOF
constexpr int bad_format = 11;         // ERROR_BAD_FORMAT
constexpr int not_supported = 50;      // ERROR_NOT_SUPPORTED
constexpr int crc_error = 23;          // ERROR_CRC

constexpr std::uint16_t stored = 0, deflate = 8, bzip2 = 12, lzma = 14;

std::uint16_t read16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t read32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

void write32(char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// Two's complement reinterpretation without relying on implementation-defined narrowing.
std::int32_t as_signed(std::uint32_t value) {
    std::int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

void fail(boost::system::error_code& code, int value) {
    code.assign(value, boost::system::system_category());
}

// Copies `length` bytes at `offset`; the bounds are compared in 64 bits so that no sum
// wraps. On failure the destination is left empty.
bool read_at(const std::string& source, std::uint64_t offset, std::uint64_t length,
             std::string& destination) {
    destination.clear();
    if (offset > source.size() || length > source.size() - offset) return false;
    destination.assign(source, static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    return true;
}

// The most bytes a stream of `method` can decode to from `compressed` bytes of entry
// data; no limit for methods the reader does not decode (they fail when read).
std::uint64_t most_output(std::uint16_t method, std::uint64_t compressed) {
    switch (method) {
    case stored:
        return compressed;
    case deflate:
        // Every code is at least one bit long, and the longest copy (258 bytes) takes a
        // length code and a distance code: 258 bytes per 2 bits.
        return compressed * 1032;
    case bzip2: {
        // A block decodes to at most 46,620,000 bytes: 900,000 symbols at the largest
        // block size, each 5 of them (a run of 4 and its count up to 255) giving 259
        // bytes. Its header, tables and end-of-block code take at least 173 bits: magic
        // 48, checksum 32, randomised flag 1, origin 24, used-bytes map 16 + 16, group
        // count 3, selector count 15, one selector 1, two code tables of 5 + 3 bits, and
        // one code of at least 1 bit. Only whole blocks give output.
        constexpr std::uint64_t block_output = 900000 / 5 * 259;
        constexpr std::uint64_t block_bits = 173;
        return compressed * 8 / block_bits * block_output;
    }
    case lzma:
        // The range decoder reads a byte whenever its range falls below 2^24; a bit whose
        // probability is as sure as the model lets it get (2017 of 2048) shrinks the range
        // least, so at most 364 bits are decoded per byte read. The most output per bit
        // is a repeated match of the longest length, 273 bytes for 14 bits.
        return compressed * (364 * 273 / 14);
    default:
        return std::numeric_limits<std::uint64_t>::max();
    }
}

}  // namespace

ZipReader::ZipReader(const std::string& package) : source_(package) {}

const char* ZipReader::open(boost::system::error_code& code) {
    const std::int64_t size = static_cast<std::int64_t>(source_.size());
    const std::int64_t window_length = std::min(size, tail_window);
    const std::int64_t window_start = size - window_length;
    if (window_start < 0 || window_start >= size) {
        fail(code, invalid_parameter);
        return "zip.tail.seek";
    }
    std::string window;
    if (!read_at(source_, std::uint64_t(window_start), std::uint64_t(window_length), window)) {
        fail(code, handle_eof);
        return "zip.tail.read";
    }

    // Backwards: the record nearest the end whose comment fits in the window wins.
    std::int64_t found = -1;
    for (std::int64_t n = window_length - std::int64_t(end_record_size); n >= 0; --n) {
        const char* p = window.data() + n;
        if (read32(p) == end_signature &&
            n + std::int64_t(end_record_size) + read16(p + end_record::comment_length) <= window_length) {
            found = n;
            break;
        }
    }
    if (found < 0) {
        fail(code, bad_format);
        return "zip.eocd";
    }
    const char* record = window.data() + found;
    const std::int64_t end_position = window_start + found;

    // The zip64 records sit between the directory and this end record, and the 32-bit
    // fields here are only markers; reading on would install part of the package.
    if (found >= std::int64_t(zip64_locator_size) &&
        read32(record - zip64_locator_size) == zip64_locator_signature) {
        fail(code, not_supported);
        return "zip.zip64";
    }

    const std::uint16_t count = read16(record + end_record::entry_count);
    const std::uint32_t directory_size = read32(record + end_record::directory_size);
    const std::uint32_t directory_offset = read32(record + end_record::directory_offset);
    // The directory is taken to end where the end record begins, whatever its recorded
    // offset says; the difference corrects every local header offset.
    bias_ = as_signed(static_cast<std::uint32_t>(end_position) - directory_size - directory_offset);
    const std::int64_t directory_start = end_position - std::int64_t(directory_size);
    if (directory_start < 0 || directory_start >= size) {
        fail(code, invalid_parameter);
        return "zip.cd.seek";
    }
    if (!read_at(source_, std::uint64_t(directory_start), directory_size, directory_)) {
        fail(code, handle_eof);
        return "zip.cd.read";
    }

    entries_.assign(count, 0);
    names_.assign(count, std::wstring());
    std::size_t position = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (directory_record_size > directory_.size() - std::min(position, directory_.size())) {
            fail(code, bad_format);
            return "zip.cd.truncated";
        }
        char* p = &directory_[position];
        if (read32(p) != directory_signature) {
            fail(code, bad_format);
            return "zip.cd.signature";
        }
        const std::size_t name_length = read16(p + directory_record::name_length);
        const std::size_t extra_length = read16(p + directory_record::extra_length);
        const std::size_t comment_length = read16(p + directory_record::comment_length);
        write32(p + directory_record::local_header_offset,
                read32(p + directory_record::local_header_offset) + static_cast<std::uint32_t>(bias_));
        entries_[i] = static_cast<std::uint32_t>(position);
        // A name that runs past the directory copy is cut at its end.
        const std::size_t name_start = position + directory_record_size;
        const std::size_t available = directory_.size() - name_start;
        names_[i] = utf8_to_utf16(directory_.data() + name_start, std::min(name_length, available));
        position = name_start + name_length + extra_length + comment_length;
    }
    return nullptr;
}

int ZipReader::entry_count() const { return static_cast<int>(entries_.size()); }

std::wstring ZipReader::entry_name(int index) const {
    return names_.at(static_cast<std::size_t>(index));
}

ZipReader::Record ZipReader::record(std::size_t index) const {
    const char* p = directory_.data() + entries_[index];
    Record r;
    r.method = read16(p + directory_record::method);
    r.crc = read32(p + directory_record::crc);
    r.compressed = read32(p + directory_record::compressed_size);
    r.uncompressed = read32(p + directory_record::uncompressed_size);
    r.header = as_signed(read32(p + directory_record::local_header_offset));
    return r;
}

const char* ZipReader::locate_data(const Record& record, std::int64_t& data_start,
                                   boost::system::error_code& code) const {
    const std::int64_t size = static_cast<std::int64_t>(source_.size());
    const std::int64_t header = record.header;
    if (header < 0 || header >= size) {
        fail(code, invalid_parameter);
        return "zip.hdr.seek";
    }
    if (header + std::int64_t(local_header_size) > size) {
        fail(code, handle_eof);
        return "zip.hdr.read";
    }
    const char* local = source_.data() + header;
    if (read32(local) != local_signature) {
        fail(code, bad_format);
        return "zip.hdr.signature";
    }
    data_start = header + std::int64_t(local_header_size) + read16(local + local_header::name_length) +
                 read16(local + local_header::extra_length);
    if (data_start >= size) {
        fail(code, invalid_parameter);
        return "zip.data.seek";
    }
    if (std::int64_t(record.compressed) > size - data_start) {
        fail(code, handle_eof);
        return "zip.data.read";
    }
    return nullptr;
}

const char* ZipReader::check_size(const Record& record, boost::system::error_code& code) {
    const bool possible = record.method == stored
                              ? record.uncompressed == record.compressed
                              : record.uncompressed <= most_output(record.method, record.compressed);
    if (possible) return nullptr;
    fail(code, bad_format);
    return "zip.size";
}

const char* ZipReader::check_entries(boost::system::error_code& code) const {
    code.assign(0, boost::system::system_category());
    // Each entry's span: its local header, name, extra field and data.
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    spans.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Record r = record(i);
        std::int64_t data_start = 0;
        if (const char* identifier = locate_data(r, data_start, code)) return identifier;
        if (const char* identifier = check_size(r, code)) return identifier;
        spans.emplace_back(r.header, data_start + std::int64_t(r.compressed));
    }
    // Entries that share bytes let a small package claim the same data many times over.
    std::sort(spans.begin(), spans.end());
    std::int64_t end = 0;
    for (const auto& span : spans) {
        if (span.first < end) {
            fail(code, bad_format);
            return "zip.overlap";
        }
        end = std::max(end, span.second);
    }
    return nullptr;
}

ZipReader::ContentSize ZipReader::content_size() const {
    ContentSize total;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Record r = record(i);
        total.decoded += r.uncompressed;
        total.largest_entry = std::max<std::uint64_t>(total.largest_entry, r.uncompressed);
        // A stored entry's copy is its content, and LZMA decodes from the package itself;
        // a deflate or bzip2 entry's compressed copy is held beside its content while it
        // is decoded.
        if (r.method == deflate || r.method == bzip2)
            total.largest_packed = std::max<std::uint64_t>(total.largest_packed, r.compressed);
    }
    return total;
}

const char* ZipReader::read_entry(int index, std::string& output,
                                  boost::system::error_code& code) const {
    code.assign(0, boost::system::system_category());
    output.clear();
    if (index < 0 || index >= entry_count()) {
        code.assign(22, boost::system::generic_category());
        return "zip.idx";
    }
    const Record r = record(static_cast<std::size_t>(index));
    std::int64_t data_start = 0;
    if (const char* identifier = locate_data(r, data_start, code)) return identifier;
    if (const char* identifier = check_size(r, code)) return identifier;
    const char* const compressed = source_.data() + data_start;
    const char* identifier = nullptr;
    std::uint32_t crc = 0;
    if (r.method == lzma) {
        // Decoded straight from the package: a big entry's compressed copy would cost as
        // many fresh pages again before its decode could begin.
        identifier = decode_lzma_from_bytes(compressed, r.compressed, output, r.uncompressed, code, &crc);
    } else {
        output.reserve(r.compressed);
        prepare_large_buffer(&output[0], output.capacity());
        output.assign(compressed, r.compressed);
        switch (r.method) {
        case stored: break;
        case deflate: identifier = decode_deflate(output, r.uncompressed, code); break;
        case bzip2: identifier = decode_bzip2(output, r.uncompressed, code); break;
        default: return "zip.method";
        }
    }
    if (identifier) return identifier;
    if (r.method != lzma) crc = crc32_of(output.data(), output.size());
    if (crc != r.crc) {
        fail(code, crc_error);
        return "zip.crc";
    }
    return nullptr;
}
