#include <string>

#include <miniz.h>

#include "installer/package/decoders.h"

const char* decode_deflate(std::string& data, std::uint32_t uncompressed_size,
                           boost::system::error_code& code) {
    std::string input;
    input.swap(data);
    data.resize(uncompressed_size);
    // Raw deflate into a buffer that is the whole output: it must fit exactly.
    const std::size_t produced = tinfl_decompress_mem_to_mem(
        &data[0], data.size(), input.data(), input.size(), TINFL_FLAG_USING_NON_WRAPPING_OUTPUT_BUF);
    if (produced == TINFL_DECOMPRESS_MEM_TO_MEM_FAILED) return "deflate.error";
    if (produced != uncompressed_size) return "deflate.size";
    return nullptr;
}
