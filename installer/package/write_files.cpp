#include "installer/base/errors.h"
#include "installer/base/progress.h"
#include "installer/package/entry_paths.h"
#include "installer/package/file_writer.h"
#include "installer/package/parallel.h"
#include "installer/package/unpack.h"

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

const char* create_parent_directories(const std::wstring& full_path,
                                      boost::system::error_code& code, std::size_t guarded_length) {
    code.clear();
    // For "dir\\" the parent is "dir" itself.
    std::size_t end = full_path.size();
    while (end > 0 && !is_separator(full_path[end - 1])) --end;
    while (end > 0 && is_separator(full_path[end - 1])) --end;
    if (end == 0) return nullptr;
    const std::wstring parent = full_path.substr(0, end);
    if (file_writer::is_directory(parent)) return nullptr;  // every entry after a folder's first
    // Every folder from the top down. Roots, drives and folders that exist already (or
    // that another worker makes at the same moment) refuse to be made; only whether the
    // parent is a folder in the end counts, and else the last refusal is the reason.
    boost::system::error_code refusal;
    for (std::size_t at = 1; at <= end; ++at) {
        if (at < end && !(is_separator(full_path[at]) && !is_separator(full_path[at - 1]))) continue;
        boost::system::error_code attempt;
        if (file_writer::make_directory(full_path.substr(0, at), attempt, at <= guarded_length)) refusal = attempt;
    }
    if (file_writer::is_directory(parent)) return nullptr;
    code = refusal;  // 0 only if the folders were made and then vanished
    return "md";
}

namespace {

// Each name that exists from the target down to the entry's own: a link there, planted
// before the install, would take the write to wherever it points. The target itself is
// the user's choice and may be one.
const char* refuse_links_below(const std::wstring& target_directory, const std::wstring& entry_path,
                               boost::system::error_code& code) {
    for (std::size_t at = 0; at < entry_path.size(); ++at) {
        const bool folder_end = is_separator(entry_path[at]) && at > 0 && !is_separator(entry_path[at - 1]);
        if (folder_end && file_writer::is_link(target_directory + L'\\' + entry_path.substr(0, at), code))
            return "md";
    }
    if (!entry_path.empty() && !is_separator(entry_path.back()) &&
        file_writer::is_link(target_directory + L'\\' + entry_path, code))
        return "fo";
    return nullptr;
}

}  // namespace

void write_entry_file(const std::wstring& target_directory, const FileData& file) {
    check_entry_path(file.path);
    // The target is used as given, even when it already ends in a separator.
    const std::wstring full_path = target_directory + L'\\' + file.path;
    boost::system::error_code code;
    throw_if_failed(refuse_links_below(target_directory, file.path, code), code);
    std::size_t target_length = target_directory.size();
    while (target_length > 0 && is_separator(target_directory[target_length - 1])) --target_length;
    throw_if_failed(create_parent_directories(full_path, code, target_length), code);
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
            progress(progress_stage::WRITING);  // writing cannot be stopped: the answer is ignored
            write_entry_file(target_directory, file);
        },
        threads);
}
