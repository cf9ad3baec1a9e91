#pragma once
// Checks on entry paths ('\\'-separated, relative to the target directory) made before
// any file is written, so a hostile or sloppy package cannot write outside the target
// or have two workers write one file at once. Both throw the coded errors described in
// unpack.h ("zip.name", "zip.duplicate").
#include <string>
#include <vector>

#include "installer/package/unpack.h"

// True when the path stays below the target directory: no rooted name, no ':' (drive
// letters and stream names), no NUL, no component that Windows reads as "..", no
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension).
bool is_safe_entry_path(const std::wstring& path);

// Throws "zip.name" for an unsafe path.
void check_entry_path(const std::wstring& path);

// Every path safe, no file named twice, no file where another entry needs a folder.
void check_entry_paths(const std::vector<FileData>& files);
