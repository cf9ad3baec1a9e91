// Opens any byte string as a package and reads every entry it lists.
#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/package/zip_reader.h"

namespace {

// Every directory record the reader can use starts with its signature somewhere in the
// input; inputs that announce large files only measure zero-filling, so they are skipped.
bool announces_large_entry(const std::string& package) {
    constexpr std::uint32_t limit = 1u << 20;
    for (std::size_t at = package.find("PK\x01\x02"); at != std::string::npos;
         at = package.find("PK\x01\x02", at + 1)) {
        if (package.size() - at < 28) break;
        const auto* b = reinterpret_cast<const unsigned char*>(package.data() + at + 24);
        const std::uint32_t size = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
        if (size > limit) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string package(reinterpret_cast<const char*>(data), size);
    if (announces_large_entry(package)) return 0;
    ZipReader reader(package);
    boost::system::error_code code;
    if (reader.open(code)) return 0;
    for (int i = 0; i < reader.entry_count(); ++i) {
        reader.entry_name(i);
        std::string output;
        reader.read_entry(i, output, code);
    }
    return 0;
}
