#include "installer/package/unpack.h"

#include <cmath>
#include <stdexcept>

#include "installer/package/entry_paths.h"
#include "installer/package/errors.h"
#include "installer/package/parallel.h"
#include "installer/package/zip_reader.h"

std::vector<FileData> unpacked_files;

namespace {

// 80 plus the whole part of 10*i/count, computed as the installer always has.
int reading_progress(std::size_t index, std::size_t count) {
    const double share = static_cast<double>(static_cast<unsigned>(index)) /
                         static_cast<double>(static_cast<unsigned>(count));
    return 80 - static_cast<int>(std::trunc(share * -10.0));
}

std::wstring with_backslashes(std::wstring name) {
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    return name;
}

}  // namespace

void unpack_package(const std::string& package, const ProgressFn& progress, unsigned threads) {
    // The reader lives in this scope only, so it is gone on every way out.
    ZipReader reader(package);
    {
        boost::system::error_code code;
        throw_if_failed(reader.open(code), code);
    }
    const int count = reader.entry_count();
    unpacked_files.resize(static_cast<std::size_t>(count < 0 ? 0 : count));
    if (unpacked_files.empty()) throw std::runtime_error("empty ZIP");

    const std::size_t total = unpacked_files.size();
    parallel::parallel_for(
        0, total,
        [&](std::size_t i) {
            if (!progress(reading_progress(i, total)))
                throw std::runtime_error("User cancelled unpack");
            FileData& file = unpacked_files[i];
            file.path = with_backslashes(reader.entry_name(static_cast<int>(i)));
            boost::system::error_code code;
            throw_if_failed(reader.read_entry(static_cast<int>(i), file.data, code), code);
        },
        threads);

    // Names are checked here as well as before writing, so a package with a bad name is
    // refused while nothing is on disk yet, even by a check that never writes.
    check_entry_paths(unpacked_files);
    progress(90);
}
