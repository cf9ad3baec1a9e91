#include "installer/system/registration.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "installer/app/config/product.h"
#include "tests/system/win32/temp_folder.h"

namespace {

// Value names with their texts (Wine lists them sorted, not in writing order).
std::map<std::wstring, std::wstring> read_key() {
    std::map<std::wstring, std::wstring> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD name_size = 256, type = 0, bytes = 4096;
        wchar_t data[2048] = {};
        if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) !=
            ERROR_SUCCESS)
            break;
        EXPECT_EQ(DWORD(REG_SZ), type);
        // The stored byte count includes the terminating zero.
        EXPECT_EQ((wcslen(data) + 1) * 2, bytes);
        values.emplace(name, data);
    }
    RegCloseKey(key);
    return values;
}

void expect_entry(const std::wstring& dir) {
    const auto values = read_key();
    ASSERT_EQ(6u, values.size());
    const std::map<std::wstring, std::wstring> expected = {
        {L"DisplayName", L"Velkarion Launcher"},
        {L"DisplayIcon", dir + L"launcher\\Launcher.exe,0"},
        {L"UninstallString", L"\"" + dir + L"uninstall.exe\""},
        {L"InstallLocation", dir},
        {L"Publisher", PUBLISHER},
        {L"URLInfoAbout", HOME_URL}};
    EXPECT_EQ(expected, values);
}

}  // namespace

TEST(Registration, SixValuesWithOneTrailingBackslash) {
    unregister_uninstall();
    register_uninstall(L"C:\\Games\\Velkarion");
    expect_entry(L"C:\\Games\\Velkarion\\");
    register_uninstall(L"C:\\Games\\Velkarion\\");
    expect_entry(L"C:\\Games\\Velkarion\\");
    register_uninstall(L"C:\\My Games\\Velkarion");
    expect_entry(L"C:\\My Games\\Velkarion\\");
    unregister_uninstall();
    EXPECT_TRUE(read_key().empty());
    unregister_uninstall();  // a missing key is no error
}

TEST(Registration, CopySelfIsByteIdenticalAndOverwrites) {
    TempFolder dir(L"copy self");
    write_file(dir.path() + L"\\uninstall.exe", "old");
    copy_self(dir.path());
    auto read = [](const std::wstring& path) {
        std::string data;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) data.append(buffer, got);
        CloseHandle(h);
        return data;
    };
    const std::string own = read(own_module_path());
    ASSERT_GT(own.size(), 1000u);
    EXPECT_EQ(own, read(dir.path() + L"\\uninstall.exe"));
}
