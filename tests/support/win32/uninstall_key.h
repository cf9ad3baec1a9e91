#pragma once
// The product's uninstall entry in the test prefix's registry: read back, made and
// removed by the tests around the program that writes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>

#include "installer/base/config/product.h"
#include "installer/base/win32/scoped.h"

namespace test_support {

// In the registry view given (KEY_WOW64_32KEY or _64KEY), or the process's own.
inline bool uninstall_key_exists(REGSAM view = 0) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return false;
    const base::RegKey key(opened);
    return true;
}

// Value names with their texts (Wine lists them sorted, not in writing order); every
// value must be a REG_SZ whose stored byte count includes the terminating zero.
inline std::map<std::wstring, std::wstring> uninstall_key_values() {
    std::map<std::wstring, std::wstring> values;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return values;
    const base::RegKey key(opened);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t data[2048] = {};
        DWORD name_size = 256, type = 0, bytes = sizeof data;
        if (RegEnumValueW(key.get(), i, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) !=
            ERROR_SUCCESS)
            break;
        EXPECT_EQ(DWORD(REG_SZ), type) << name;
        EXPECT_EQ((wcslen(data) + 1) * 2, bytes) << name;
        values.emplace(name, data);
    }
    return values;
}

// The six values an install into dir (with its trailing backslash) registers.
inline std::map<std::wstring, std::wstring> expected_uninstall_values(const std::wstring& dir) {
    return {{L"DisplayName", L"Velkarion Launcher"},
            {L"DisplayIcon", dir + L"launcher\\Launcher.exe,0"},
            {L"UninstallString", L"\"" + dir + L"uninstall.exe\""},
            {L"InstallLocation", dir},
            {L"Publisher", PUBLISHER},
            {L"URLInfoAbout", HOME_URL}};
}

// One text value, "<missing>" when it cannot be read as one.
inline std::wstring uninstall_value(const std::wstring& name) {
    wchar_t buffer[2048] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

// Makes the key; with a value name, also stores that value as given.
inline void create_uninstall_key(const wchar_t* value_name = nullptr, DWORD type = REG_SZ, const void* data = nullptr,
                                 DWORD bytes = 0) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    const base::RegKey key(created);
    if (value_name) {
        EXPECT_EQ(RegSetValueExW(key.get(), value_name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }
}

inline void create_uninstall_key(const wchar_t* value_name, const std::wstring& text) {
    create_uninstall_key(value_name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace test_support
