#pragma once
// In-memory reader of the launcher package: a one-disk ZIP archive with 32-bit sizes and
// offsets, entries stored (0), deflate (8), bzip2 (12) or LZMA (14), names in UTF-8.
//
// Failure contract (errors.h step form: identifier returned, code in `code`):
//   open:
//     "zip.tail.seek"    87 system  the package is empty
//     "zip.tail.read"    38 system  the tail window cannot be copied in full
//     "zip.eocd"         11 system  no end record (with a fitting comment) in the last
//                                   66560 bytes; the one nearest the end is taken
//     "zip.zip64"        50 system  (ERROR_NOT_SUPPORTED) a zip64 locator precedes the end
//                                   record: the real counts and offsets live in records
//                                   this reader does not read, so it refuses instead of
//                                   installing part of the files
//     "zip.cd.seek"      87 system  the directory start (end record position minus the
//                                   recorded directory size) lies outside the package
//     "zip.cd.read"      38 system  the directory runs past the end of the package
//     "zip.cd.signature" 11 system  a directory record lacks its signature
//     "zip.cd.truncated" 11 system  the end record counts more records than the directory
//                                   holds (a record's fixed part passes its end)
//   check_entries (first resets `code` to 0 system), every entry before any is decoded:
//     the local header and data checks of read_entry, from "zip.hdr.seek" to
//     "zip.data.read", then
//     "zip.size"         11 system  an uncompressed size that no stream of the entry's
//                                   method can decode to from its compressed size (a
//                                   stored entry's two sizes differ; deflate above 1032
//                                   times the compressed size; the bounds of bzip2 and
//                                   LZMA are explained with most_output in the source)
//     "zip.overlap"      11 system  two entries share bytes: a local header, or data that
//                                   runs into the next entry
//   read_entry (first resets `code` to 0 system and empties `output`):
//     "zip.idx"          22 generic index outside the entry list
//     "zip.hdr.seek"     87 system  local header offset (bias added) outside the package
//     "zip.hdr.read"     38 system  fewer than 30 bytes at the local header offset
//     "zip.hdr.signature"11 system  local header lacks its signature
//     "zip.data.seek"    87 system  the data would start outside the package
//     "zip.data.read"    38 system  the compressed data runs past the end
//     "zip.size"         11 system  as in check_entries; nothing is allocated for it
//     "zip.method"        0 system  method other than 0, 8, 12, 14
//     the decoders' identifiers (decoders.h), then
//     "zip.crc"          23 system  (ERROR_CRC) the decoded content does not have the
//                                   CRC-32 that the central directory records
// Bytes in front of the archive are allowed: every local header offset is corrected by
// the difference between where the directory is and where it says it is. Flags
// (encryption, data descriptor, UTF-8) and timestamps are not looked at; sizes and CRCs
// come from the central directory.
#include <cstdint>
#include <string>
#include <vector>

#include <boost/system/error_code.hpp>

class ZipReader {
public:
    // `package` must outlive the reader and stay unchanged.
    explicit ZipReader(const std::string& package);

    // Reads the end record and the central directory. Called once; after a failure the
    // reader is unusable.
    const char* open(boost::system::error_code& code);

    int entry_count() const;

    // The entry's name as stored, converted from UTF-8 to UTF-16 code units (invalid
    // sequences become U+FFFD, '/' kept). Throws std::out_of_range for a bad index.
    std::wstring entry_name(int index) const;

    // Checks every entry's local header, sizes and place in the package without decoding.
    const char* check_entries(boost::system::error_code& code) const;

    // What decoding every entry takes, from the central directory's sizes.
    struct ContentSize {
        std::uint64_t decoded = 0;         // all entries' uncompressed sizes
        std::uint64_t largest_entry = 0;   // the largest uncompressed size
        std::uint64_t largest_packed = 0;  // the largest compressed size of an entry whose
                                           // decoder takes a copy (held beside its content
                                           // meanwhile)
    };
    ContentSize content_size() const;

    // Replaces `output` with the entry's decoded content, checked against the entry's
    // CRC-32. Thread-safe for concurrent calls (each with its own output and code) once
    // open succeeded.
    const char* read_entry(int index, std::string& output, boost::system::error_code& code) const;

private:
    // The central directory's fields of one entry.
    struct Record {
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint32_t compressed = 0;
        std::uint32_t uncompressed = 0;
        std::int64_t header = 0;  // local header offset, bias added
    };
    Record record(std::size_t index) const;
    // Checks the local header and that the compressed data lies inside the package.
    const char* locate_data(const Record& record, std::int64_t& data_start,
                            boost::system::error_code& code) const;
    static const char* check_size(const Record& record, boost::system::error_code& code);

    const std::string& source_;
    std::int32_t bias_ = 0;
    std::string directory_;                   // local header offsets rewritten with bias
    std::vector<std::uint32_t> entries_;      // start of each record inside directory_
    std::vector<std::wstring> names_;
};
