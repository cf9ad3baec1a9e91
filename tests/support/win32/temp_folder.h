#pragma once
// A fresh folder below the temporary folder, removed with its content at the end.
#include <windows.h>

#include <cwchar>
#include <string>

class TempFolder {
public:
    explicit TempFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter()++);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { wipe(path_); }

    const std::wstring& path() const { return path_; }  // without a trailing backslash

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    static void wipe(const std::wstring& dir) {
        WIN32_FIND_DATAW entry;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &entry);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring p = dir + L"\\" + name;
                SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    wipe(p);
                else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryW(p.c_str());
                else
                    DeleteFileW(p.c_str());
            } while (FindNextFileW(h, &entry));
            FindClose(h);
        }
        RemoveDirectoryW(dir.c_str());
    }
    std::wstring path_;
};

inline void write_file(const std::wstring& path, const std::string& data) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(h);
}

inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A desktop folder of the test's own for as long as it lives: the prefix's desktop is the
// Unix home folder, which other programs on the machine share. The prefix's registry keeps
// the setting, so it is taken back at the end.
class PrivateDesktop {
public:
    PrivateDesktop() : folder_(L"desktop") { set(folder_.path().c_str()); }
    PrivateDesktop(const PrivateDesktop&) = delete;
    PrivateDesktop& operator=(const PrivateDesktop&) = delete;
    ~PrivateDesktop() { set(nullptr); }

    const std::wstring& path() const { return folder_.path(); }

private:
    static void set(const wchar_t* folder) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                            nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        if (folder)
            RegSetValueExW(key, L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder),
                           DWORD((wcslen(folder) + 1) * 2));
        else
            RegDeleteValueW(key, L"Desktop");
        RegCloseKey(key);
    }
    TempFolder folder_;
};
