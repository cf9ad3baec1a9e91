#pragma once
// Checks on entry paths ('\\'-separated, relative to the target directory) made before
// anything is decoded and again before any file is written, so a hostile or sloppy
// package cannot write outside the target, open a device, or have two workers write one
// file at once. Both throw the coded errors described in unpack.h ("zip.name",
// "zip.duplicate"). Time and memory grow linearly with the total length of the paths.
#include <string>
#include <vector>

#include "installer/package/unpack.h"

// True when the path stays below the target directory and names a plain file or folder:
// no rooted name, no ':' (drive letters and stream names), no NUL, no component that
// Windows reads as "..", no device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9,
// LPT1-9 and COM/LPT with a superscript 1, 2 or 3, in any case, with or without an
// extension), and no component of the short-name form NAME~N.EXT.
bool is_safe_entry_path(const std::wstring& path);

// Throws "zip.name" for an unsafe path.
void check_entry_path(const std::wstring& path);

// The name the file system compares for one path component: trailing dots and spaces
// dropped (Windows drops them when it opens the path), every UTF-16 unit upper-cased as
// the file system's case table does. Components with equal results name the same file.
std::wstring canonical_name(const std::wstring& component);

// Every path safe, no file named twice, no file where another entry needs a folder.
// "." and empty components add nothing; repeated directory entries are harmless.
void check_entry_paths(const std::vector<FileData>& files);
