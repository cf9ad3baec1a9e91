#include "installer/app/install_location.h"

#include <windows.h>

#include "installer/base/config/product.h"
#include "installer/system/win32/handles.h"

bool read_install_location(std::wstring& location) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return false;
    const base::RegKey key(raw);
    // One unit short of the buffer: the last unit stays zero even for an unterminated value.
    wchar_t buffer[1024] = {};
    DWORD type = 0;
    DWORD size = 2046;
    if (RegQueryValueExW(key.get(), L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    location = buffer;
    return true;
}

std::wstring default_install_root() {
    std::wstring root = L"C:\\Games\\";
    for (const wchar_t* probe : {L"D:\\games", L"E:\\games", L"F:\\games"}) {
        if (GetFileAttributesW(probe) != INVALID_FILE_ATTRIBUTES) {
            root[0] = probe[0];
            break;
        }
    }
    return root;
}
