#include <string>

#include "installer/package/decoders.h"
#include "installer/package/large_buffer.h"
#include "installer/package/lzma/decoder.h"
#include "installer/package/parallel.h"

namespace {

constexpr std::size_t header_size = 9;  // two version bytes, properties size, 5 properties
constexpr std::uint32_t populate_from = std::uint32_t(8) << 20;  // smaller outputs fault cheaply

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
    // One big entry decodes on one thread while the other workers wait: they make its
    // fresh pages, which this thread would otherwise make in the fill below.
    if (uncompressed_size >= populate_from && parallel::available_workers() > 1)
        populate_in_parallel(&data[0], data.capacity());
    data.resize(uncompressed_size);
    decoder.set_dictionary(reinterpret_cast<unsigned char*>(&data[0]), data.size());

    std::size_t input_length = input.size() - header_size;
    lzma::Status status = lzma::Status::none;
    try {
        decoder.decode_to_dictionary(data.size(),
                                     reinterpret_cast<const unsigned char*>(input.data()) + header_size,
                                     input_length, lzma::FinishMode::finish_end, status);
    } catch (const lzma::BadStream&) {
        return "lzma.bad_stream";
    }
    if (status == lzma::Status::needs_more_input) return "lzma.eof";
    // An end marker before the recorded size would leave a zero-padded file behind.
    if (decoder.dictionary_position() != data.size()) return "lzma.short";
    return nullptr;
}
