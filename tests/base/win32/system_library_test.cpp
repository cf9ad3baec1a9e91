// System DLLs come from the system folder only, never from beside the exe or from the
// current folder, and their exports bind with the declared calling convention.
#include <windows.h>
#include <winhttp.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "installer/base/win32/system_library.h"
#include "tests/support/win32/module_file.h"

namespace {

using test_support::in_system_folder;
using test_support::module_file;

std::wstring canary_source() {
    const char* build = std::getenv("VELK_BINARY_DIR");
    if (!build) return std::wstring();
    std::wstring path = L"Z:";
    for (const char* c = build; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path + L"\\tools\\dll-canary\\canary.dll";
}

std::wstring exe_folder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path, length);
    return exe.substr(0, exe.find_last_of(L'\\'));
}

TEST(SystemLibrary, LoadsFromTheSystemFolderAndBindsExports) {
    const base::SystemLibrary library(L"winhttp.dll");
    ASSERT_NE(library.module(), nullptr) << library.error();
    EXPECT_TRUE(in_system_folder(module_file(library.module()), L"winhttp.dll")) << module_file(library.module());

    decltype(&::WinHttpCheckPlatform) check = nullptr;
    ASSERT_TRUE(library.bind(check, "WinHttpCheckPlatform"));
    EXPECT_TRUE(check());  // a stdcall export called through the bound pointer returns

    decltype(&::WinHttpCheckPlatform) missing = check;
    EXPECT_FALSE(library.bind(missing, "NoSuchExport"));
    EXPECT_EQ(missing, nullptr);
}

TEST(SystemLibrary, AMissingLibraryLeavesEverySlotEmpty) {
    const base::SystemLibrary library(L"velkarion-no-such-library.dll");
    EXPECT_EQ(library.module(), nullptr);
    EXPECT_EQ(library.error(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    decltype(&::WinHttpCheckPlatform) check = nullptr;
    EXPECT_FALSE(library.bind(check, "WinHttpCheckPlatform"));
}

// The canary copied beside this exe is what a plain load by name would take; the
// system-folder load must refuse it.
TEST(SystemLibrary, IgnoresACopyBesideTheExe) {
    const std::wstring source = canary_source();
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "canary not built";
    const std::wstring name = L"velkarion-planted.dll";
    const std::wstring planted = exe_folder() + L"\\" + name;
    ASSERT_TRUE(CopyFileW(source.c_str(), planted.c_str(), FALSE));
    const std::wstring marker = planted + L".loaded";
    DeleteFileW(marker.c_str());

    {
        const base::SystemLibrary library(name.c_str());
        EXPECT_EQ(library.module(), nullptr);
        EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted copy was loaded";
    }
    // The control: the ordinary search does take the copy, so the check above means something.
    HMODULE plain = LoadLibraryW(name.c_str());
    EXPECT_NE(plain, nullptr);
    EXPECT_NE(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);
    if (plain) FreeLibrary(plain);
    DeleteFileW(marker.c_str());
    DeleteFileW(planted.c_str());
}

}  // namespace
