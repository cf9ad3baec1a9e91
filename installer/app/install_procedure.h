#pragma once
// The whole of an install once the user has pressed the install button: download the
// package, write its files below the install directory, register the installation,
// create the shortcuts and leave the uninstaller copy.
//
// Progress: the download's 0..80, the unpack's 80..90, 92 before each written file, then
// 93 (before the registration), 94 (before the shortcuts), 95 (before the uninstaller
// copy) and 100. Only the download and the reading of entries can be stopped; the
// answers to 93..100 are ignored.
//
// Outcome: empty on success, otherwise the error text of describe_exception (coded
// error, other standard exception, "UNKNOWN_ERROR"). Never throws. Files written before a
// failure stay; a failure before the registration leaves no key, no shortcut and no
// uninstaller. An install directory that is not absolute (a drive path "C:\\..." or a UNC
// path "\\\\server\\share...") is refused before anything is downloaded, with the text
// "Install directory is not an absolute path".
//
// One procedure at a time per process: the decoded entries live in unpacked_files.
#include <string>

#include "installer/base/progress.h"

// Installs the package of DOWNLOAD_URL into install_dir. The desktop shortcut is skipped
// when the desktop folder cannot be determined.
std::wstring install_procedure(std::wstring install_dir, bool create_desktop_shortcut, ProgressFn& progress);

// The same with the package downloaded from url (tests aim it at a loopback server).
std::wstring install_procedure_from(const std::wstring& url, std::wstring install_dir,
                                    bool create_desktop_shortcut, ProgressFn& progress);
