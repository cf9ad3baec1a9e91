#include "installer/package/lzma/properties.h"

#include "installer/package/lzma/model.h"

namespace lzma {

bool parse_properties(const unsigned char* bytes, Properties& out) {
    const unsigned first = bytes[0];
    if (first > 224) return false;
    Properties parsed;
    parsed.lc = first % 9;
    parsed.lp = (first / 9) % 5;
    parsed.pb = first / 45;
    parsed.dictionary_size = std::uint32_t(bytes[1]) | std::uint32_t(bytes[2]) << 8 |
                             std::uint32_t(bytes[3]) << 16 | std::uint32_t(bytes[4]) << 24;
    if (parsed.dictionary_size < min_dictionary_size) parsed.dictionary_size = min_dictionary_size;
    out = parsed;
    return true;
}

std::size_t probability_count(const Properties& properties) {
    return model::literal + (std::size_t(model::literal_size) << (properties.lc + properties.lp));
}

}  // namespace lzma
