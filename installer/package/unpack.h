#pragma once
// Parallel extraction: every entry of the package is decoded into memory first, then
// every decoded entry is written below the target directory. A damaged package therefore
// fails before a single file exists.
//
// Failure contract (errors.h form):
//   unpack_package: the reader's and decoders' identifiers with their codes (zip_reader.h,
//     decoders.h; "zip.size", "zip.overlap" and the local header checks of every entry
//     come before any entry is decoded, "zip.crc" after an entry was decoded);
//     runtime_error "empty ZIP" (no entries); runtime_error "User cancelled unpack" (the
//     callback answered false before an entry was read);
//     "zip.memory" with system 8 (ERROR_NOT_ENOUGH_MEMORY): the declared content cannot be
//       held (memory_budget.h: free memory, and the address space of a 32-bit process),
//       refused before any entry is decoded; also an allocation that fails while decoding;
//     and the name checks below, made before any entry is decoded.
//     Nothing is written to disk on any of these.
//   write_files: "md" (directory creation, code of the file system), "fo" (file could
//     not be created, system code), "fw" (write failed, system code; 0 when the system
//     wrote nothing without an error), and the name checks below, made before the first
//     file is touched.
//   Name checks (entry_paths.h):
//     "zip.name" with generic invalid_argument (22): the path would leave the target
//       directory or name something else than a file below it: a ".." component, a
//       rooted name, a drive letter or any ':' (stream names), a NUL character, a device
//       name (CON, NUL, COM1, LPT1, COM¹, LPT³, ... with any extension), or a component
//       of the short-name form NAME~N.EXT (it could be another file's second name).
//     "zip.duplicate" with generic file_exists (17): two file entries name the same file
//       (compared as Windows does: every UTF-16 unit upper-cased as the file system's
//       case table does, "." and empty components dropped, trailing dots and spaces
//       ignored), or a file entry names a folder that another entry needs. Repeated
//       directory entries are harmless.
// The first exception of any iteration stops the loop and is rethrown on the caller.
#include <cstdint>
#include <string>
#include <vector>

#include <boost/system/error_code.hpp>

#include "installer/base/progress.h"

// One entry of the package: `path` is the entry name with every '/' turned into '\\',
// relative to the target directory; a path ending in '\\' is a directory entry.
struct FileData {
    std::wstring path;
    std::string data;
};

// Carries the decoded entries from unpack_package to write_files. Resized (not cleared)
// by unpack_package, element i from entry i; never emptied afterwards.
extern std::vector<FileData> unpacked_files;

// Opens `package` and decodes every entry into unpacked_files, in parallel. Reports
// 80 + 10*i/count for entry i (any order, from worker threads) and 90 at the end.
// `threads` 0 means one per processor. `memory_limit`, when not 0, lowers the memory the
// decoded entries may take below what the process can get.
void unpack_package(const std::string& package, const ProgressFn& progress, unsigned threads = 0,
                    std::uint64_t memory_limit = 0);

// Writes every element of unpacked_files below target_directory, in parallel, reporting
// 92 before each one; the callback's answer is ignored (no cancellation while writing).
void write_files(const std::wstring& target_directory, const ProgressFn& progress,
                 unsigned threads = 0);

// Writes one element: target_directory + '\\' + path. Directory entries create the
// directory only; a path naming an existing directory is skipped; an existing file is
// truncated and overwritten; empty data leaves an empty file.
void write_entry_file(const std::wstring& target_directory, const FileData& file);

// Creates the parent directory of full_path and its missing ancestors (for a path ending
// in '\\', the directory itself). Returns "md" with the code of the last folder that could
// not be made when the parent is no folder in the end, else nullptr; existing
// directories are not an error. The folders within the first guarded_length characters
// (the install folder and those above it) are made guarded (file_writer.h).
const char* create_parent_directories(const std::wstring& full_path,
                                      boost::system::error_code& code, std::size_t guarded_length = 0);
