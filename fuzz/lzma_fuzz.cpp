// decode_lzma on arbitrary entries, and the decoder fed the same stream in pieces, which
// must reach the same outcome and the same bytes as the one-piece decode. decode_lzma
// grows its output in pieces of 256 KiB; the sizes reach past several of them, so every
// piece end is compared with one decode into the whole buffer.
// decode_lzma_from_bytes, which reads the entry where it lies, must agree with both.
// Input: [piece size byte][3-byte little-endian uncompressed size, capped][entry data]
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "installer/package/crc32.h"
#include "installer/package/decoders.h"
#include "installer/package/lzma/decoder.h"

namespace {

constexpr std::uint32_t max_size = 1u << 20;

// Returns "bad", "eof", "short" or "ok", like decode_lzma's outcomes.
std::string decode_in_pieces(const unsigned char* entry, std::size_t size, std::uint32_t out_size,
                             std::size_t piece, std::string& out) {
    lzma::Properties properties;
    if (!lzma::parse_properties(entry + 4, properties)) return "props";
    lzma::Decoder decoder(properties);
    out.assign(out_size, '\0');
    decoder.set_dictionary(reinterpret_cast<unsigned char*>(&out[0]), out.size());
    const unsigned char* stream = entry + 9;
    std::size_t left = size - 9;
    lzma::Status status = lzma::Status::none;
    try {
        for (;;) {
            std::size_t length = left < piece ? left : piece;
            const std::size_t offered = length;
            // A buffer of the piece's exact size: a read past the offered bytes is caught.
            const std::unique_ptr<unsigned char[]> exact(new unsigned char[offered]);
            std::memcpy(exact.get(), stream, offered);
            decoder.decode_to_dictionary(out.size(), exact.get(), length, lzma::FinishMode::finish_end, status);
            if (length > offered) std::abort();
            stream += length;
            left -= length;
            if (status != lzma::Status::needs_more_input || left == 0) break;
        }
    } catch (const lzma::BadStream&) {
        return "lzma.bad_stream";
    }
    if (status == lzma::Status::needs_more_input) return "lzma.eof";
    if (decoder.dictionary_position() != out.size()) return "lzma.short";
    return "ok";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::size_t piece = 1 + data[0] % 32;
    const std::uint32_t out_size =
        (std::uint32_t(data[1]) | std::uint32_t(data[2]) << 8 | std::uint32_t(data[3]) << 16) % (max_size + 1);
    std::string entry(reinterpret_cast<const char*>(data) + 4, size - 4);

    // Skip the widest literal tables (up to 12 MiB of probabilities to set per run).
    if (entry.size() > 4) {
        const unsigned props = (unsigned char)entry[4];
        if (props <= 224 && props % 9 + props / 9 % 5 > 8) return 0;
    }

    std::string whole = entry;
    boost::system::error_code code;
    const char* result = decode_lzma(whole, out_size, code);
    if (code.value() != 0) std::abort();

    // Straight from the package's bytes (here a buffer of their exact size): the same
    // outcome and bytes (a failed stream leaves the full size too), and on success the
    // CRC-32 of those bytes.
    {
        const std::unique_ptr<char[]> exact(new char[entry.size()]);
        std::memcpy(exact.get(), entry.data(), entry.size());
        std::string out;
        std::uint32_t crc = 0;
        boost::system::error_code from_bytes_code;
        const char* from_bytes = decode_lzma_from_bytes(exact.get(), entry.size(), out, out_size, from_bytes_code, &crc);
        const std::string outcome = result ? result : "ok";
        if ((from_bytes ? from_bytes : "ok") != outcome || from_bytes_code.value() != 0) std::abort();
        const bool stream_decoded = outcome == "ok" || outcome == "lzma.eof" || outcome == "lzma.bad_stream" ||
                                    outcome == "lzma.short";
        if (stream_decoded && out != whole) std::abort();
        if (outcome == "ok" && crc != crc32_of(whole.data(), whole.size())) std::abort();
    }

    if (entry.size() >= 9 && entry[2] == 5 && entry[3] == 0) {
        std::string pieces;
        const std::string outcome =
            decode_in_pieces(reinterpret_cast<const unsigned char*>(entry.data()), entry.size(), out_size, piece, pieces);
        if (outcome == "props") {
            if (std::string(result ? result : "") != "lzma.props") std::abort();
        } else {
            // How the input is cut must not change a single decision.
            if (outcome != (result ? result : "ok")) std::abort();
            if (pieces != whole) std::abort();
        }
    }
    return 0;
}
