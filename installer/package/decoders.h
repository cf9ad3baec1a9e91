#pragma once
// Entry decoders. Each takes the entry's compressed bytes in `data` and leaves exactly
// `uncompressed_size` decoded bytes there (bytes the stream did not produce stay zero).
// Step convention: returns nullptr on success, else a static error identifier
// ("deflate.error", "bz2.unpack", "lzma.eof", ...) after storing the code in `code`.
#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/system/error_code.hpp>

const char* decode_deflate(std::string& data, std::uint32_t uncompressed_size,
                           boost::system::error_code& code);
// Method 12, through libbz2: "bz2.open" with the library's code when it cannot start;
// "bz2.unpack" with the library's code: -4 for a block or stream checksum that does not
// match (once the size is filled the library is let on to the end of the block and the
// end marker it may reach), -7 when the data ends before the size is filled, 4 when the
// stream ends with fewer bytes. A stream cut after the size is filled succeeds; what a
// stream holds beyond the size is not kept (the entry's CRC-32 then tells).
const char* decode_bzip2(std::string& data, std::uint32_t uncompressed_size,
                         boost::system::error_code& code);
// Method 14: a 9-byte header (versions, properties size 5, properties) then the raw
// LZMA stream, decoded by lzma::Decoder. Every identifier carries code 0 (system):
//   "lzma.header_size" fewer than 9 bytes     "lzma.props_size" properties size not 5
//   "lzma.props"       properties byte > 224   "lzma.eof"        the data ends first
//   "lzma.bad_stream"  corrupt stream          "lzma.short"      the end marker comes
//                                                                before the size is filled
// A stream that fills the size succeeds with or without an end marker; input left over
// after it is not looked at.
const char* decode_lzma(std::string& data, std::uint32_t uncompressed_size,
                        boost::system::error_code& code);
// decode_lzma reading the entry's data where it lies ([compressed, + compressed_size),
// which must stay unchanged until it returns) and replacing `output`'s content. On
// success, `crc` (when not null) receives the CRC-32 of the output, worked out on
// another worker behind the decoder where the decode has one.
const char* decode_lzma_from_bytes(const char* compressed, std::size_t compressed_size, std::string& output,
                                 std::uint32_t uncompressed_size, boost::system::error_code& code,
                                 std::uint32_t* crc);
