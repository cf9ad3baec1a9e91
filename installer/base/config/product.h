#pragma once
// Branding and every name the installer leaves on the user's machine. The URLs and the
// publisher are deployment settings, chosen when the program is built (CMake cache
// variables VELKARION_DOWNLOAD_URL, VELKARION_EULA_URL, VELKARION_HOME_URL,
// VELKARION_PUBLISHER).
#include <string>

extern const std::wstring PRODUCT_NAME;
extern const std::wstring DOWNLOAD_URL;
extern const std::wstring EULA_URL;
extern const std::wstring HOME_URL;
extern const std::wstring LAUNCHER_PATH;   // relative to the install directory
extern const std::wstring LAUNCHER_ICON;   // LAUNCHER_PATH + ",0"
extern const std::wstring DESKTOP_SHORTCUT_NAME;
extern const std::wstring DISPLAY_NAME;
extern const std::wstring PUBLISHER;
extern const std::wstring SELF_DELETE_SCRIPT_NAME;
extern const std::wstring UNINSTALL_KEY;   // below HKEY_LOCAL_MACHINE
extern const std::wstring LAUNCHER_SHORTCUT_SUFFIX;
extern const std::wstring UNINSTALLER_FILE_NAME;

// Free space below which the user is asked before installing.
constexpr int REQUIRED_GB = 5;
