#pragma once
// The access list of the install folder, and of the folders above it, that the installer
// makes. Below C:\ every local user may change what is created; an install folder that a
// standard user could rename away and replace would let them choose the uninstaller and
// the launcher that an administrator later starts.
#include <windows.h>

#include "installer/base/win32/scoped.h"

namespace file_writer {

// Protected, nothing inherited: full control for Administrators and SYSTEM; Users may
// list, read and run the folder and add files and folders to it, but not delete or rename
// it or change its list; what is made inside it they may change (the launcher, running
// with the user's rights, updates itself). Null if the system cannot build it.
base::LocalMemory<PSECURITY_DESCRIPTOR> install_folder_descriptor();

// Its text, for the tests that read it back.
extern const wchar_t INSTALL_FOLDER_SDDL[];

}  // namespace file_writer
