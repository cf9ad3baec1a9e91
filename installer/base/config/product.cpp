#include "installer/base/config/product.h"

const std::wstring PRODUCT_NAME = L"Velkarion";
const std::wstring DOWNLOAD_URL = VELKARION_DOWNLOAD_URL;
const std::wstring EULA_URL = VELKARION_EULA_URL;
const std::wstring HOME_URL = VELKARION_HOME_URL;
const std::wstring LAUNCHER_PATH = L"launcher\\Launcher.exe";
const std::wstring LAUNCHER_ICON = LAUNCHER_PATH + L",0";
const std::wstring DESKTOP_SHORTCUT_NAME = L"Velkarion.lnk";
const std::wstring DISPLAY_NAME = L"Velkarion Launcher";
const std::wstring PUBLISHER = VELKARION_PUBLISHER;
const std::wstring SELF_DELETE_SCRIPT_NAME = L"{5a0c7e21-93d4-4b6f-8e1a-2c7d90f3b6e4}.bat";
const std::wstring UNINSTALL_KEY =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{8d3b1f60-4c2e-47a9-b5d1-0e6f2a9c7d13}";
const std::wstring LAUNCHER_SHORTCUT_SUFFIX = L"\\Launcher.lnk";
const std::wstring UNINSTALLER_FILE_NAME = L"uninstall.exe";
