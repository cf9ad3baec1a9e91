#pragma once
// The platform side of writing one entry. Full paths are '\\'-separated wide strings
// (UTF-16 code units); the POSIX side turns the separators into '/' and the name into
// UTF-8.
#include <string>

#include <boost/filesystem/path.hpp>
#include <boost/system/error_code.hpp>

namespace file_writer {

// The full path as the file system library takes it.
boost::filesystem::path native_path(const std::wstring& full_path);

// True when full_path names an existing directory.
bool is_directory(const std::wstring& full_path);

// Creates or truncates the file and writes all of `data`. Returns nullptr on success,
// "fo" when the file cannot be created, "fw" when a write fails (code of the system; 0
// when a write reported no bytes without an error). The file is closed on every path.
const char* write_file(const std::wstring& full_path, const std::string& data,
                       boost::system::error_code& code);

}  // namespace file_writer
