// unpack_package on any byte string as a whole package, with a memory limit of 8 MiB:
// it fills unpacked_files within the limit or throws one of the installer's errors;
// an allocation failure or a length error never becomes the outcome.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include <boost/system/system_error.hpp>

#include "installer/package/entry_paths.h"
#include "installer/package/unpack.h"

namespace {

constexpr std::uint64_t memory_limit = 8u << 20;

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string package(reinterpret_cast<const char*>(data), size);
    try {
        unpack_package(package, [](int) { return true; }, 1, memory_limit);
    } catch (const boost::system::system_error&) {
        return 0;
    } catch (const std::bad_alloc&) {
        std::abort();
    } catch (const std::length_error&) {
        std::abort();
    } catch (const std::runtime_error& e) {
        check(std::strcmp(e.what(), "empty ZIP") == 0);
        return 0;
    }
    std::uint64_t decoded = 0;
    for (const FileData& file : unpacked_files) {
        decoded += file.data.size();
        check(is_safe_entry_path(file.path));
    }
    check(decoded <= memory_limit);
    return 0;
}
