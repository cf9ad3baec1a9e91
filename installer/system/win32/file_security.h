#pragma once
// Access to a program file that the system later starts with the highest rights.
#include <windows.h>

#include <string>

#include "installer/base/win32/scoped.h"

using SecurityDescriptor = base::LocalMemory<PSECURITY_DESCRIPTOR>;

// Owner Administrators and a protected access list: full control for Administrators and
// SYSTEM, read and execute for Users, nothing inherited. Null if the system cannot build it.
SecurityDescriptor administrators_only_descriptor();

// Gives the file at path that access list and owner. The install folder below C:\ is
// writable by every local user, so without this a standard user could replace the
// program an administrator later starts from the list of programs. Returns false when
// the system refused the list (the file keeps what it had); a refused owner is accepted.
bool restrict_to_administrators(const std::wstring& path);
