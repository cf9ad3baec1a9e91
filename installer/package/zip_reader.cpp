#include "installer/package/zip_reader.h"

#include <algorithm>
#include <cstring>

#include "installer/package/decoders.h"
#include "installer/package/utf8.h"

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

constexpr int invalid_parameter = 87;  // ERROR_INVALID_PARAMETER
constexpr int handle_eof = 38;         // ERROR_HANDLE_EOF
constexpr int bad_format = 11;         // ERROR_BAD_FORMAT
constexpr int not_supported = 50;      // ERROR_NOT_SUPPORTED

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
            n + std::int64_t(end_record_size) + read16(p + 20) <= window_length) {
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

    const std::uint16_t count = read16(record + 10);
    const std::uint32_t directory_size = read32(record + 12);
    const std::uint32_t directory_offset = read32(record + 16);
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
        const std::size_t name_length = read16(p + 28);
        const std::size_t extra_length = read16(p + 30);
        const std::size_t comment_length = read16(p + 32);
        write32(p + 42, read32(p + 42) + static_cast<std::uint32_t>(bias_));
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

const char* ZipReader::read_entry(int index, std::string& output,
                                  boost::system::error_code& code) const {
    code.assign(0, boost::system::system_category());
    if (index < 0 || index >= entry_count()) {
        code.assign(22, boost::system::generic_category());
        return "zip.idx";
    }
    const char* record = directory_.data() + entries_[static_cast<std::size_t>(index)];
    const std::uint16_t method = read16(record + 10);
    const std::uint32_t compressed_size = read32(record + 20);
    const std::uint32_t uncompressed_size = read32(record + 24);
    const std::int64_t size = static_cast<std::int64_t>(source_.size());

    const std::int64_t header = as_signed(read32(record + 42));
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
    const std::int64_t data_start =
        header + std::int64_t(local_header_size) + read16(local + 26) + read16(local + 28);
    if (data_start >= size) {
        fail(code, invalid_parameter);
        return "zip.data.seek";
    }
    if (!read_at(source_, std::uint64_t(data_start), compressed_size, output)) {
        fail(code, handle_eof);
        return "zip.data.read";
    }
    switch (method) {
    case 0: return nullptr;
    case 8: return decode_deflate(output, uncompressed_size, code);
    case 12: return decode_bzip2(output, uncompressed_size, code);
    case 14: return decode_lzma(output, uncompressed_size, code);
    default: return "zip.method";
    }
}
