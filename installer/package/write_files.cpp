#include "installer/package/entry_paths.h"
#include "installer/package/errors.h"
#include "installer/package/file_writer.h"
#include "installer/package/parallel.h"
#include "installer/package/unpack.h"

#include <boost/filesystem/operations.hpp>

const char* create_parent_directories(const std::wstring& full_path,
                                      boost::system::error_code& code) {
    code.clear();
    const boost::filesystem::path path = file_writer::native_path(full_path);
    if (path.empty()) return nullptr;
    // For "dir\\" the parent is "dir" itself. Another worker may create the same folder
    // at the same moment; create_directories takes an existing folder as success.
    const boost::filesystem::path parent = path.parent_path();
    if (parent.empty()) return nullptr;
    boost::filesystem::create_directories(parent, code);
    return code ? "md" : nullptr;
}

void write_entry_file(const std::wstring& target_directory, const FileData& file) {
    check_entry_path(file.path);
    // The target is used as given, even when it already ends in a separator.
    const std::wstring full_path = target_directory + L'\\' + file.path;
    boost::system::error_code code;
    throw_if_failed(create_parent_directories(full_path, code), code);
    if (full_path.back() == L'\\') return;
    if (file_writer::is_directory(full_path)) return;  // nothing is written over a folder
    throw_if_failed(file_writer::write_file(full_path, file.data, code), code);
}

void write_files(const std::wstring& target_directory, const ProgressFn& progress,
                 unsigned threads) {
    // Refused before the first file is touched: a bad name must leave the disk as it was.
    check_entry_paths(unpacked_files);
    parallel::parallel_for_each(
        unpacked_files,
        [&](const FileData& file) {
            progress(92);  // writing cannot be stopped: the answer is ignored
            write_entry_file(target_directory, file);
        },
        threads);
}
