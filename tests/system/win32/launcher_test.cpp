#include "installer/system/launcher.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>

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

// The first count lines of text, each with its newline.
std::string first_lines(const std::string& text, int count) {
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t newline = text.find('\n', at);
        if (newline == std::string::npos) return text;
        at = newline + 1;
    }
    return text.substr(0, at);
}

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

// What the started launcher recorded, once its last line is there.
std::string wait_for_record(const std::wstring& install_dir) {
    const std::wstring record = install_dir + L"launcher\\launcher-started.txt";
    std::string text;
    for (int i = 0; i < 150 && text.find('\n', text.find("elevation type")) == std::string::npos; ++i) {
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

// How the launcher was started, as it recorded: Wine has no UAC and gives every process a
// full administrator token, so the shell's child reports "full" too. What only a Windows
// machine with UAC can show is that the shell's child gets the desktop session's limited
// token ("limited") while the installer's own token is the elevated one.
enum class Caller { this_thread, thread_without_com, multithreaded_apartment };

struct LauncherStart {
    const char* name;
    const wchar_t* dir;  // below a fresh temporary folder; nullptr: the prefix's drive C:
    Elevation elevation;
    Caller caller;
    const char* parent;
};

const LauncherStart LAUNCHER_STARTS[] = {
    // This process counts as elevated under Wine: the desktop shell starts it.
    {"FromDirectoryWithSpaces", L"My Games", Elevation::of_this_process, Caller::this_thread, "explorer.exe"},
    // The prefix's own drive C: stands in for an install into a drive's root.
    {"FromDriveRoot", nullptr, Elevation::of_this_process, Caller::this_thread, "explorer.exe"},
    // The installer calls it on its UI thread (COM's single-threaded apartment); any other
    // thread must do as well.
    {"FromAThreadWithoutCom", L"no com", Elevation::elevated, Caller::thread_without_com, "explorer.exe"},
    {"FromTheMultithreadedApartment", L"mta", Elevation::elevated, Caller::multithreaded_apartment, "explorer.exe"},
    // Not elevated: created by this process, as before.
    {"NotElevatedDirectly", L"My Games", Elevation::not_elevated, Caller::this_thread, "system_tests.exe"},
};

class StartLauncherFrom : public ::testing::TestWithParam<LauncherStart> {};

TEST_P(StartLauncherFrom, RecordsItsCommandLineFolderAndParent) {
    const LauncherStart& start = GetParam();
    std::unique_ptr<TempFolder> root;
    std::wstring dir = L"C:";
    if (start.dir) {
        root = std::make_unique<TempFolder>(start.dir);
        dir = root->path();
    }
    place_launcher(dir + L"\\");
    const std::wstring install_dir = start.dir ? dir : L"C:\\";
    // Long enough to find its window; the test closes it sooner. A launcher started by the
    // shell has the shell's environment and runs until it is closed.
    SetEnvironmentVariableW(L"VELK_LAUNCHER_EXIT_AFTER_MS", L"20000");
    EXPECT_FALSE(start_launcher(dir + L"\\nowhere", start.elevation));
    bool started = false;
    if (start.caller == Caller::this_thread) {
        started = start_launcher(install_dir, start.elevation);
    } else {
        std::thread([&] {
            const bool mta = start.caller == Caller::multithreaded_apartment;
            if (mta) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            started = start_launcher(install_dir, start.elevation);
            if (mta) CoUninitialize();
        }).join();
    }
    ASSERT_TRUE(started);
    const std::string record = wait_for_record(dir + L"\\");
    EXPECT_EQ("command line: \"" + narrow(dir) + "\\launcher\\Launcher.exe\"\ncurrent directory: " +
                  narrow(install_dir) + "\n",
              first_lines(record, 2));
    EXPECT_EQ(std::string("parent: ") + start.parent + "\nelevation type: full\n",
              record.substr(first_lines(record, 2).size()));
    close_launcher(dir + L"\\");
    if (!start.dir) {
        DeleteFileW(L"C:\\launcher\\launcher-started.txt");
        RemoveDirectoryW(L"C:\\launcher");
    }
}

INSTANTIATE_TEST_SUITE_P(StartLauncher, StartLauncherFrom, ::testing::ValuesIn(LAUNCHER_STARTS),
                         [](const ::testing::TestParamInfo<LauncherStart>& info) { return std::string(info.param.name); });

// Not elevated, the shell is never asked: the caller's own way runs, and its failure is
// the outcome.
TEST(StartAsDesktopUser, NotElevatedTakesOnlyTheDirectWay) {
    int direct = 0;
    EXPECT_EQ(StartRoute::direct, start_as_desktop_user(L"C:\\nowhere.exe", L"C:\\", [&] { return ++direct > 0; },
                                                        Elevation::not_elevated));
    EXPECT_EQ(1, direct);
    EXPECT_EQ(StartRoute::none, start_as_desktop_user(L"C:\\nowhere.exe", L"C:\\", [&] { ++direct; return false; },
                                                      Elevation::not_elevated));
    EXPECT_EQ(2, direct);
}
