#pragma once
// The record a fixture program writes of how it was started: its command line and current
// directory, then the image name of its parent process and its token's elevation type.
// Tests read the first two lines as they always were; the last two show which process
// started it (the desktop shell or the installer) and with which kind of token.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "installer/base/win32/scoped.h"

namespace start_record {

inline std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

// The folder of the running executable, with its trailing backslash.
inline std::wstring own_folder() {
    wchar_t path[1024] = {};
    GetModuleFileNameW(nullptr, path, 1024);
    std::wstring folder(path);
    const auto cut = folder.rfind(L'\\');
    return cut == std::wstring::npos ? std::wstring() : folder.substr(0, cut + 1);
}

// "(gone)" when the parent ended before the look-up (its id may then name nothing).
inline std::wstring parent_image_name() {
    const base::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return L"(unknown)";
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    std::wstring name = L"(gone)";
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more && parent; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == parent) name = entry.szExeFile;
    return name;
}

inline const char* elevation_type() {
    base::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) return "unknown";
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    const BOOL known = GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size);
    if (!known) return "unknown";
    return type == TokenElevationTypeFull ? "full" : type == TokenElevationTypeLimited ? "limited" : "default";
}

// Writes the record as name beside the executable (UTF-8), in one write.
inline void write(const wchar_t* name) {
    wchar_t cwd[1024] = {};
    GetCurrentDirectoryW(1024, cwd);
    const std::string text = "command line: " + utf8(GetCommandLineW()) + "\ncurrent directory: " + utf8(cwd) +
                             "\nparent: " + utf8(parent_image_name()) + "\nelevation type: " + elevation_type() +
                             "\n";
    const base::UniqueHandle file(CreateFileW((own_folder() + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace start_record
