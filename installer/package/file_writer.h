#pragma once
// The platform side of writing one entry. Full paths are '\\'-separated wide strings
// (UTF-16 code units); the POSIX side turns the separators into '/' and the name into
// UTF-8.
#include <string>

#include <boost/system/error_code.hpp>

namespace file_writer {

// Creates the one folder full_path names; its parent must exist. Returns nullptr when
// it was created, else "md" with the system's code (also when something exists there).
// A guarded folder (the install folder and those above it) gets an access list that no
// standard user can rename or delete it by, where the system keeps access lists; where
// that list is refused, the folder is made as any other.
const char* make_directory(const std::wstring& full_path, boost::system::error_code& code, bool guarded = false);

// True when full_path names an existing directory.
bool is_directory(const std::wstring& full_path);

// True when full_path itself is a link (a junction, mount point or symbolic link; not
// what it points to); `refusal` is then the system's code for a name that cannot be
// used, for the caller's "md" or "fo".
bool is_link(const std::wstring& full_path, boost::system::error_code& refusal);

// Creates or truncates the file and writes all of `data`; an existing file that has other
// names too (hard links) is replaced, never written in place. Returns nullptr on success,
// "fo" when the file cannot be created, "fw" when a write fails (code of the system; 0
// when a write reported no bytes without an error). The file is closed on every path.
const char* write_file(const std::wstring& full_path, const std::string& data,
                       boost::system::error_code& code);

}  // namespace file_writer
