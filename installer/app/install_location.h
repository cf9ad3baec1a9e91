#pragma once
// The install location recorded by an earlier install, and the proposed install root.
#include <string>

// Reads the REG_SZ value "InstallLocation" of UNINSTALL_KEY below HKEY_LOCAL_MACHINE.
// False, with location untouched, when the key or value is missing, the value is not
// REG_SZ or it does not fit 1023 code units with its terminating zero.
bool read_install_location(std::wstring& location);

// "C:\\Games\\", on drive D, E or F instead when "X:\\games" exists there (first found).
std::wstring default_install_root();
