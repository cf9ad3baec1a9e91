#pragma once
#include "installer/system/win32/handles.h"

// UNINSTALL_KEY below HKEY_LOCAL_MACHINE, created or opened with KEY_WRITE.
// Throws the coded error "uninstall.reg" with the registry call's result on failure.
base::RegKey open_uninstall_key();
