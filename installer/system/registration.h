#pragma once
// The installation's record in the system's list of installed programs, and the program's
// own copy left in the install directory as its uninstaller.
#include <string>

// Creates or opens UNINSTALL_KEY below HKEY_LOCAL_MACHINE for writing and writes, in this
// order, the REG_SZ values "DisplayName", "DisplayIcon", "UninstallString",
// "InstallLocation", "Publisher" and "URLInfoAbout". The directory gets one trailing
// backslash if it has none. "UninstallString" holds the uninstaller's path in double
// quotes, so the program list can start it from a directory with spaces.
// Throws the coded error "uninstall.reg" (the registry call's result, system category)
// when the key cannot be created or opened; nothing is written then. Failed value writes
// are not reported.
void register_uninstall(std::wstring install_dir);

// Copies the running program into install_dir as UNINSTALLER_FILE_NAME, replacing an
// existing file, and protects the copy: only Administrators and SYSTEM may change it
// (file_security.h). A failed copy is not reported.
void copy_self(std::wstring install_dir);

// Deletes the uninstall key with everything below it; a missing key is not an error.
void unregister_uninstall();

// Full path of the running program's executable, looked up once per process; safe to
// call first from any thread.
const std::wstring& own_module_path();
