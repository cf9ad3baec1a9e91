#pragma once
// Path texts of the installation, without touching the file system.
#include <string>

// dir with one trailing backslash added unless it is empty or already ends in one.
std::wstring with_trailing_backslash(std::wstring dir);

// name below folder: with_trailing_backslash(folder) + name, the one way paths are joined.
std::wstring join_path(std::wstring folder, const std::wstring& name);

// Whether path is absolute: a drive path ("C:\\...", "C:/...") or a UNC path
// ("\\\\server\\share..."). Drive-relative ("C:games") and rooted ("\\games") paths are not.
bool is_absolute_windows_path(const std::wstring& path);

// Whether the folder of own_path (the text before its last backslash) is folder, with "/"
// read as "\\", one trailing backslash of folder ignored, and ASCII letter case ignored.
bool runs_from_folder(std::wstring own_path, std::wstring folder);
