// Opens any byte string as a package and reads every entry it lists.
#include <cstddef>
#include <cstdint>
#include <string>

#include "installer/package/zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string package(reinterpret_cast<const char*>(data), size);
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
