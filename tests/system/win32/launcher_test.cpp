#include "installer/system/launcher.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/win32/temp_folder.h"

namespace {

std::string read_text(const std::wstring& path) {
    std::string data(4096, '\0');
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    DWORD got = 0;
    if (h != INVALID_HANDLE_VALUE) {
        ReadFile(h, &data[0], 4096, &got, nullptr);
        CloseHandle(h);
    }
    data.resize(got);
    return data;
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Copies the built sample launcher to install_dir's launcher folder.
void place_launcher(const std::wstring& install_dir) {
    const char* binary_dir = std::getenv("VELK_BINARY_DIR");
    ASSERT_NE(nullptr, binary_dir);
    std::wstring built = L"Z:";
    for (const char* p = binary_dir; *p; ++p) built.push_back(*p == '/' ? L'\\' : wchar_t(*p));
    built += L"\\tools\\sample-launcher\\Launcher.exe";
    CreateDirectoryW((install_dir + L"launcher").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(built.c_str(), launcher_executable(install_dir).c_str(), FALSE));
}

// What the started launcher recorded, once both of its lines are there.
std::string wait_for_record(const std::wstring& install_dir) {
    const std::wstring record = install_dir + L"launcher\\launcher-started.txt";
    std::string text;
    for (int i = 0; i < 150 && text.find('\n', text.find("current directory")) == std::string::npos; ++i) {
        Sleep(100);
        text = read_text(record);
    }
    return text;
}

// Closes the launcher's window and waits until its executable can be deleted.
void close_launcher(const std::wstring& install_dir) {
    HWND window = nullptr;
    for (int i = 0; i < 150 && !(window && IsWindowVisible(window)); ++i) {
        Sleep(100);
        window = FindWindowW(L"VelkarionSampleLauncher", L"Launcher");
    }
    ASSERT_NE(nullptr, window) << "the launcher shows a window";
    EXPECT_TRUE(IsWindowVisible(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
    const std::wstring exe = launcher_executable(install_dir);
    for (int i = 0; i < 100 && !DeleteFileW(exe.c_str()); ++i) Sleep(100);
    EXPECT_FALSE(exists(exe));
}

}  // namespace

TEST(StartLauncher, ExecutablePathHasOneBackslash) {
    EXPECT_EQ(L"D:\\launcher\\Launcher.exe", launcher_executable(L"D:\\"));
    EXPECT_EQ(L"C:\\Games\\Velkarion\\launcher\\Launcher.exe", launcher_executable(L"C:\\Games\\Velkarion"));
}

TEST(StartLauncher, StartsFromDirectoryWithSpaces) {
    TempFolder root(L"My Games");
    const std::wstring dir = root.path();
    place_launcher(dir + L"\\");
    // Long enough to find its window; the test closes it sooner.
    SetEnvironmentVariableW(L"VELK_LAUNCHER_EXIT_AFTER_MS", L"20000");
    EXPECT_FALSE(start_launcher(dir + L"\\nowhere"));
    ASSERT_TRUE(start_launcher(dir));
    EXPECT_EQ("command line: \"" + narrow(dir) + "\\launcher\\Launcher.exe\"\ncurrent directory: " + narrow(dir) + "\n",
              wait_for_record(dir + L"\\"));
    close_launcher(dir + L"\\");
}

// The prefix's own drive C: stands in for an install into a drive's root.
TEST(StartLauncher, StartsFromDriveRoot) {
    place_launcher(L"C:\\");
    SetEnvironmentVariableW(L"VELK_LAUNCHER_EXIT_AFTER_MS", L"20000");
    ASSERT_TRUE(start_launcher(L"C:\\"));
    EXPECT_EQ("command line: \"C:\\launcher\\Launcher.exe\"\ncurrent directory: C:\\\n", wait_for_record(L"C:\\"));
    close_launcher(L"C:\\");
    DeleteFileW(L"C:\\launcher\\launcher-started.txt");
    RemoveDirectoryW(L"C:\\launcher");
}
