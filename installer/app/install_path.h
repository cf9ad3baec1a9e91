#pragma once
// Path texts of the install page, without touching the file system.
#include <string>

// A picked folder (or the default root) turned into the folder the product name is
// appended to: a bare drive letter gets ":\\", any other text not ending in a backslash
// gets one; empty text stays empty.
std::wstring install_folder_prefix(std::wstring folder);

// The volume root to measure for dir ("X:\\" with the letter as typed) when dir starts
// with a drive letter, a colon and a backslash; empty for any other form of path.
std::wstring drive_root_of(const std::wstring& dir);
