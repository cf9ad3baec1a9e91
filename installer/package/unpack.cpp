#include "installer/package/unpack.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "installer/base/errors.h"
#include "installer/package/entry_paths.h"
#include "installer/package/memory_budget.h"
#include "installer/package/parallel.h"
#include "installer/package/zip_reader.h"

std::vector<FileData> unpacked_files;

namespace {

// 80 plus the whole part of 10*i/count, computed as the installer always has.
int reading_progress(std::size_t index, std::size_t count) {
    const double share = static_cast<double>(static_cast<unsigned>(index)) /
                         static_cast<double>(static_cast<unsigned>(count));
    constexpr double span = progress_stage::UNPACKED - progress_stage::DOWNLOADED;
    return progress_stage::DOWNLOADED - static_cast<int>(std::trunc(share * -span));
}

std::wstring with_backslashes(std::wstring name) {
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    return name;
}

[[noreturn]] void refuse_memory() {
    throw boost::system::system_error(
        boost::system::error_code(8, boost::system::system_category()),  // ERROR_NOT_ENOUGH_MEMORY
        "zip.memory");
}

// Refuses a package whose declared content cannot be held: everything decoded at once,
// plus the compressed copy each worker holds beside the entry it decodes.
void check_memory(const ZipReader& reader, const std::string& package, unsigned workers,
                  std::uint64_t memory_limit) {
    const ZipReader::ContentSize size = reader.content_size();
    std::uint64_t budget = memory_budget(package.size(), sizeof(void*), free_memory_bytes());
    if (memory_limit) budget = std::min(budget, memory_limit);
    const std::uint64_t needed = size.decoded + size.largest_packed * workers;
    if (needed > budget || size.largest_entry > std::string().max_size()) refuse_memory();
}

}  // namespace

void unpack_package(const std::string& package, const ProgressFn& progress, unsigned threads,
                    std::uint64_t memory_limit) {
    // The reader lives in this scope only, so it is gone on every way out.
    ZipReader reader(package);
    boost::system::error_code code;
    throw_if_failed(reader.open(code), code);
    const int count = reader.entry_count();
    unpacked_files.resize(static_cast<std::size_t>(count < 0 ? 0 : count));
    if (unpacked_files.empty()) throw std::runtime_error("empty ZIP");
    const std::size_t total = unpacked_files.size();

    // Everything the directory promises is checked before the first entry is decoded:
    // where each entry lies and what it can decode to, whether all of it fits in memory,
    // and the names (so a bad name is refused while nothing is on disk yet, even by a
    // check that never writes).
    throw_if_failed(reader.check_entries(code), code);
    const unsigned workers = threads ? threads : parallel::processor_count();
    check_memory(reader, package, static_cast<unsigned>(std::min<std::size_t>(workers, total)),
                 memory_limit);
    for (std::size_t i = 0; i < total; ++i)
        unpacked_files[i].path = with_backslashes(reader.entry_name(static_cast<int>(i)));
    check_entry_paths(unpacked_files);

    parallel::parallel_for(
        0, total,
        [&](std::size_t i) {
            if (!progress(reading_progress(i, total)))
                throw std::runtime_error("User cancelled unpack");
            boost::system::error_code entry_code;
            const char* identifier = nullptr;
            try {
                identifier = reader.read_entry(static_cast<int>(i), unpacked_files[i].data, entry_code);
            } catch (const std::bad_alloc&) {
                // The budget is an estimate; the address space may still be too cut up.
                refuse_memory();
            }
            throw_if_failed(identifier, entry_code);
        },
        threads);
    progress(progress_stage::UNPACKED);
}
