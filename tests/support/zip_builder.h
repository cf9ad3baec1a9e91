#pragma once
// One-disk ZIP archives written byte by byte, for tests and benchmarks that need records
// no independent tool would write: wrong sizes, claimed methods, odd names, a prefix.
#include <miniz.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

inline void put16(std::string& out, unsigned value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

inline void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

inline void patch16(std::string& out, std::size_t at, unsigned value) {
    std::string bytes;
    put16(bytes, value);
    out.replace(at, 2, bytes);
}

inline void patch32(std::string& out, std::size_t at, std::uint32_t value) {
    std::string bytes;
    put32(bytes, value);
    out.replace(at, 4, bytes);
}

inline std::uint32_t crc32_of(const std::string& data) {
    return static_cast<std::uint32_t>(
        mz_crc32(MZ_CRC32_INIT, reinterpret_cast<const unsigned char*>(data.data()), data.size()));
}

struct ZipEntry {
    std::string name;
    std::string data;                // as stored (already compressed)
    std::uint16_t method = 0;        // 0 stored; any other value is written as given
    std::int64_t uncompressed = -1;  // -1: data.size()
    std::int64_t crc = -1;           // -1: the CRC-32 of data, right for a stored entry
    std::uint16_t flags = 0;         // 0x800: the name is UTF-8
    std::string local_name{};        // empty: same as name
    std::string local_extra{};
    bool local_sizes = true;  // false: zeros in the local header, the directory's govern
    std::string central_extra{};
    std::string central_comment{};
};

// Entries are added one at a time, so a caller can drop each entry's data once added.
class ZipBuilder {
public:
    // Offsets in the archive count from its own start, after prefix.
    explicit ZipBuilder(std::string prefix = "") : prefix_size_(prefix.size()) { bytes_ = std::move(prefix); }

    void add(const ZipEntry& e) {
        const std::uint32_t crc = e.crc < 0 ? crc32_of(e.data) : static_cast<std::uint32_t>(e.crc);
        const std::uint32_t size = static_cast<std::uint32_t>(e.data.size());
        const std::uint32_t full = static_cast<std::uint32_t>(e.uncompressed < 0 ? size : e.uncompressed);
        const std::string& local_name = e.local_name.empty() ? e.name : e.local_name;
        local_headers.push_back(bytes_.size());
        const std::uint32_t offset = static_cast<std::uint32_t>(bytes_.size() - prefix_size_);
        put32(bytes_, 0x04034B50);
        put16(bytes_, 20);
        put16(bytes_, e.flags);
        put16(bytes_, e.method);
        put32(bytes_, 0);  // time, date
        put32(bytes_, crc);
        put32(bytes_, e.local_sizes ? size : 0);
        put32(bytes_, e.local_sizes ? full : 0);
        put16(bytes_, static_cast<unsigned>(local_name.size()));
        put16(bytes_, static_cast<unsigned>(e.local_extra.size()));
        bytes_ += local_name + e.local_extra + e.data;

        put32(directory_, 0x02014B50);
        put16(directory_, 20);
        put16(directory_, 20);
        put16(directory_, e.flags);
        put16(directory_, e.method);
        put32(directory_, 0);
        put32(directory_, crc);
        put32(directory_, size);
        put32(directory_, full);
        put16(directory_, static_cast<unsigned>(e.name.size()));
        put16(directory_, static_cast<unsigned>(e.central_extra.size()));
        put16(directory_, static_cast<unsigned>(e.central_comment.size()));
        put16(directory_, 0);  // disk
        put16(directory_, 0);  // internal attributes
        put32(directory_, 0);  // external attributes
        put32(directory_, offset);
        directory_ += e.name + e.central_extra + e.central_comment;
        ++entries_;
    }

    // The archive: what was added, the central directory and the end record.
    std::string finish(const std::string& comment = "") {
        directory = bytes_.size();
        bytes_ += directory_;
        end_record = bytes_.size();
        put32(bytes_, 0x06054B50);
        put32(bytes_, 0);  // disk numbers
        put16(bytes_, static_cast<unsigned>(entries_));
        put16(bytes_, static_cast<unsigned>(entries_));
        put32(bytes_, static_cast<std::uint32_t>(end_record - directory));
        put32(bytes_, static_cast<std::uint32_t>(directory - prefix_size_));
        put16(bytes_, static_cast<unsigned>(comment.size()));
        bytes_ += comment;
        directory_.clear();
        return std::move(bytes_);
    }

    // Positions in the finished bytes, prefix included.
    std::vector<std::size_t> local_headers;
    std::size_t directory = 0;
    std::size_t end_record = 0;

private:
    std::size_t prefix_size_;
    std::string bytes_;
    std::string directory_;
    std::size_t entries_ = 0;
};

inline std::string make_zip_archive(const std::vector<ZipEntry>& entries) {
    ZipBuilder builder;
    for (const ZipEntry& e : entries) builder.add(e);
    return builder.finish();
}

}  // namespace test_support
