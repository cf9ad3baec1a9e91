#pragma once
// Where a loaded function or module came from, for the tests that prove that system DLLs
// are taken from the system folder only.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace test_support {

inline std::wstring lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

inline std::wstring module_file(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = module ? GetModuleFileNameW(module, path, MAX_PATH) : 0;
    return lower(std::wstring(path, length));
}

// The file of the module that holds code, lower case; empty when no module does.
template <class Fn>
std::wstring module_file_of(Fn code) {
    HMODULE module = nullptr;
    if (!code || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                     reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(code)), &module))
        return std::wstring();
    return module_file(module);
}

// Whether path names file_name in the system folder (System32, or SysWOW64 for a 32-bit
// process on 64-bit Windows).
inline bool in_system_folder(const std::wstring& path, const std::wstring& file_name) {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (path == lower(std::wstring(folder, length) + L"\\" + file_name)) return true;
    length = GetSystemWow64DirectoryW(folder, MAX_PATH);
    return length > 0 && path == lower(std::wstring(folder, length) + L"\\" + file_name);
}

}  // namespace test_support
