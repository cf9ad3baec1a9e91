#pragma once
// The user's Internet settings in the test program's own prefix: the value that
// WinHttpGetIEProxyConfigForCurrentUser reads, set for one scope and put back after it, so
// that the program's other cases keep going direct.
#include <windows.h>

#include <string>
#include <vector>

#include "installer/base/win32/scoped.h"

constexpr DWORD SETTINGS_DIRECT = 0x1;
constexpr DWORD SETTINGS_NAMED = 0x2;
constexpr DWORD SETTINGS_SCRIPT = 0x4;
constexpr DWORD SETTINGS_DETECT = 0x8;

// {magic 0x46, version, flags}, then proxy, bypass list and script URL, each a length and
// its ANSI text.
inline std::vector<BYTE> connection_settings(DWORD flags, const std::string& proxy = "", const std::string& bypass = "",
                                             const std::string& script = "", DWORD magic = 0x46) {
    std::vector<BYTE> value;
    const auto add = [&value](DWORD v) {
        for (int shift = 0; shift < 32; shift += 8) value.push_back(static_cast<BYTE>(v >> shift));
    };
    add(magic);
    add(1);
    add(flags);
    for (const std::string* text : {&proxy, &bypass, &script}) {
        add(static_cast<DWORD>(text->size()));
        value.insert(value.end(), text->begin(), text->end());
    }
    return value;
}

class ScopedConnectionSettings {
public:
    // An empty value: no value for the scope.
    explicit ScopedConnectionSettings(const std::vector<BYTE>& value) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, KEY, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            key_.receive(), nullptr) != ERROR_SUCCESS)
            return;
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key_.get(), VALUE, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            saved_.resize(size);
            had_ = RegQueryValueExW(key_.get(), VALUE, nullptr, &type, saved_.data(), &size) == ERROR_SUCCESS;
        }
        if (value.empty()) {
            const LSTATUS deleted = RegDeleteValueW(key_.get(), VALUE);
            written_ = deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
        } else {
            written_ = RegSetValueExW(key_.get(), VALUE, 0, REG_BINARY, value.data(),
                                      static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
        }
    }
    ~ScopedConnectionSettings() {
        if (!key_) return;
        if (had_)
            RegSetValueExW(key_.get(), VALUE, 0, REG_BINARY, saved_.data(), static_cast<DWORD>(saved_.size()));
        else
            RegDeleteValueW(key_.get(), VALUE);
    }
    ScopedConnectionSettings(const ScopedConnectionSettings&) = delete;
    ScopedConnectionSettings& operator=(const ScopedConnectionSettings&) = delete;

    bool written() const { return written_; }

private:
    static constexpr const wchar_t* KEY = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
    static constexpr const wchar_t* VALUE = L"DefaultConnectionSettings";

    base::RegKey key_;
    std::vector<BYTE> saved_;
    bool had_ = false;
    bool written_ = false;
};
