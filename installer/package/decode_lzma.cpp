#include <algorithm>
#include <atomic>
#include <string>

#include "installer/package/decoders.h"
#include "installer/package/large_buffer.h"
#include "installer/package/lzma/decoder.h"
#include "installer/package/parallel.h"

namespace {

constexpr std::size_t header_size = 9;  // two version bytes, properties size, 5 properties
constexpr std::uint32_t populate_from = std::uint32_t(8) << 20;  // smaller outputs fault cheaply
constexpr std::size_t fill_piece = std::size_t(256) << 10;        // well inside the L2 cache

}  // namespace

const char* decode_lzma(std::string& data, std::uint32_t uncompressed_size,
                        boost::system::error_code& code) {
    code.assign(0, boost::system::system_category());
    if (data.size() < header_size) return "lzma.header_size";
    const auto* header = reinterpret_cast<const unsigned char*>(data.data());
    if ((unsigned(header[2]) | unsigned(header[3]) << 8) != 5) return "lzma.props_size";
    lzma::Properties properties;
    if (!lzma::parse_properties(header + 4, properties)) return "lzma.props";
    lzma::Decoder decoder(properties);

    std::string input;
    input.swap(data);
    data.reserve(uncompressed_size);
    prepare_large_buffer(&data[0], data.capacity());
    // The reserved buffer never moves, so it is the dictionary from the start. The string
    // grows one piece ahead of the decoder: each piece is zero-filled just before it is
    // written, while it is still in the cache, instead of in one pass over the whole
    // output before the decode begins. The decoder writes nothing past its limit.
    unsigned char* const output = reinterpret_cast<unsigned char*>(&data[0]);
    decoder.set_dictionary(output, uncompressed_size);
    std::atomic<std::size_t> reached{0};

    const unsigned char* in = reinterpret_cast<const unsigned char*>(input.data()) + header_size;
    std::size_t input_left = input.size() - header_size;
    lzma::Status status = lzma::Status::none;
    bool bad_stream = false;
    const auto decode = [&] {
        try {
            do {
                const std::size_t limit =
                    std::min<std::size_t>(uncompressed_size, data.size() + fill_piece);
                data.resize(limit);
                reached.store(limit, std::memory_order_relaxed);
                std::size_t consumed = input_left;
                decoder.decode_to_dictionary(
                    limit, in, consumed,
                    limit == uncompressed_size ? lzma::FinishMode::finish_end : lzma::FinishMode::finish_any,
                    status);
                in += consumed;
                input_left -= consumed;
            } while (decoder.dictionary_position() == data.size() && data.size() < uncompressed_size &&
                     status != lzma::Status::needs_more_input);
        } catch (const lzma::BadStream&) {
            bad_stream = true;
        }
    };
    // One big entry decodes on one thread while the other workers wait: one of them makes
    // the fresh pages ahead of the decoder, which would otherwise stop to make each one.
    // The first thread in decodes, so a caller whose loop has no idle worker decodes at
    // once and finds nothing left to populate afterwards.
    if (uncompressed_size >= populate_from && parallel::available_workers() > 1) {
        std::atomic<int> arrivals{0};
        parallel::parallel_for(0, 2, [&](std::size_t) {
            if (arrivals.fetch_add(1) == 0) decode();
            else populate_ahead(output, uncompressed_size, reached);
        });
    } else {
        decode();
    }
    const bool filled = decoder.dictionary_position() == uncompressed_size;
    data.resize(uncompressed_size);  // on failure too: the size is the decoders' promise
    if (bad_stream) return "lzma.bad_stream";
    if (status == lzma::Status::needs_more_input) return "lzma.eof";
    // An end marker before the recorded size would leave a zero-padded file behind.
    if (!filled) return "lzma.short";
    return nullptr;
}
