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
//   read_entry (first resets `code` to 0 system):
//     "zip.idx"          22 generic index outside the entry list
//     "zip.hdr.seek"     87 system  local header offset (bias added) outside the package
//     "zip.hdr.read"     38 system  fewer than 30 bytes at the local header offset
//     "zip.hdr.signature"11 system  local header lacks its signature
//     "zip.data.seek"    87 system  the data would start outside the package
//     "zip.data.read"    38 system  the compressed data runs past the end (output left empty)
//     "zip.method"        0 system  method other than 0, 8, 12, 14
//     and the decoders' identifiers (decoders.h).
// Bytes in front of the archive are allowed: every local header offset is corrected by
// the difference between where the directory is and where it says it is. Flags
// (encryption, data descriptor, UTF-8), CRCs and timestamps are not looked at; sizes come
// from the central directory. A stored entry yields its compressed bytes unchanged.
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

    // Replaces `output` with the entry's decoded content. Thread-safe for concurrent calls
    // (each with its own output and code) once open succeeded.
    const char* read_entry(int index, std::string& output, boost::system::error_code& code) const;

private:
    const std::string& source_;
    std::int32_t bias_ = 0;
    std::string directory_;                   // local header offsets rewritten with bias
    std::vector<std::uint32_t> entries_;      // start of each record inside directory_
    std::vector<std::wstring> names_;
};
