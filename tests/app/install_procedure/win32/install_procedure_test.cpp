// Whole installs from the loopback server into Wine's file system, registry and shell.
#include "installer/app/install_procedure.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "installer/base/config/product.h"
#include "installer/net/download.h"
#include "installer/system/launcher.h"
#include "installer/system/registration.h"
#include "installer/system/shortcuts.h"
#include "installer/system/win32/handles.h"
#include "tests/support/win32/shell_link.h"
#include "tests/support/win32/temp_folder.h"
#include "tests/support/win32/uninstall_key.h"

namespace {

std::string build_dir() {
    const char* dir = std::getenv("VELK_BINARY_DIR");
    return dir ? dir : "";
}

std::wstring from_unix(const std::string& path) {
    std::wstring out = L"Z:";
    for (char c : path) out.push_back(c == '/' ? L'\\' : wchar_t(c));
    return out;
}

std::wstring server_host() {
    static const std::wstring host = [] {
        std::ifstream in("Z:" + build_dir() + "/tests/app/install_procedure/server/address");
        std::string text;
        in >> text;
        return std::wstring(text.begin(), text.end());
    }();
    return host;
}

std::wstring package_url(const std::wstring& name) { return L"http://" + server_host() + L"/files/" + name; }

std::string read_bytes(const std::wstring& path) {
    const base::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
    std::string data;
    if (!file) return "<missing>";
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
    return data;
}

std::vector<std::wstring> names_in(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const base::FindHandle listing(FindFirstFileW((dir + L"\\*").c_str(), &entry));
    if (listing) {
        do {
            const std::wstring name = entry.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(listing.get(), &entry));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Progress values as they arrive, from whichever thread reports them.
struct Recorder {
    std::mutex lock;
    std::vector<int> values;
    // Answers false to every value once this many have been reported.
    std::size_t stop_after = std::size_t(-1);
    ProgressFn callback = [this](int v) {
        std::lock_guard<std::mutex> hold(lock);
        values.push_back(v);
        return values.size() <= stop_after;
    };
};

std::string pattern(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * seed + i / 7) % 256);
    return out;
}

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

class InstallProcedure : public ::testing::Test {
protected:
    static void SetUpTestSuite() { desktop().reset(new PrivateDesktop); }
    static void TearDownTestSuite() { desktop().reset(); }
    static std::unique_ptr<PrivateDesktop>& desktop() {
        static std::unique_ptr<PrivateDesktop> folder;
        return folder;
    }

    void SetUp() override {
        if (server_host().empty()) GTEST_SKIP() << "loopback server not running (CTest fixture install_fixture)";
        ASSERT_EQ(desktop()->path() + L"\\" + DESKTOP_SHORTCUT_NAME, desktop_shortcut_path());
        unregister_uninstall();
        DeleteFileW(desktop_shortcut_path().c_str());
    }
    void TearDown() override {
        unregister_uninstall();
        DeleteFileW(desktop_shortcut_path().c_str());
    }

    // Nothing of the registration steps exists.
    void expect_not_registered(const std::wstring& dir) {
        EXPECT_TRUE(test_support::uninstall_key_values().empty());
        EXPECT_FALSE(exists(desktop_shortcut_path()));
        EXPECT_FALSE(exists(dir + L"\\Launcher.lnk"));
        EXPECT_FALSE(exists(dir + L"\\uninstall.exe"));
    }

    void expect_package_files(const std::wstring& dir) {
        EXPECT_EQ(read_bytes(from_unix(build_dir() + "/tools/sample-launcher/Launcher.exe")),
                  read_bytes(dir + L"\\launcher\\Launcher.exe"));
        EXPECT_EQ(pattern(300000, 13), read_bytes(dir + L"\\launcher\\data\\levels.bin"));
        EXPECT_EQ(repeat("launcher data\n", 500), read_bytes(dir + L"\\launcher\\data\\text.txt"));
        EXPECT_EQ("\xc3\xa4\n", read_bytes(dir + L"\\launcher\\data\\n\u00e4me.txt"));
        EXPECT_EQ("", read_bytes(dir + L"\\readme.txt"));
        EXPECT_EQ((std::vector<std::wstring>{L"Launcher.exe", L"data"}), names_in(dir + L"\\launcher"));
    }

    // dir: the install directory with its trailing backslash.
    void expect_registered(const std::wstring& dir) {
        EXPECT_EQ(test_support::expected_uninstall_values(dir), test_support::uninstall_key_values());
        EXPECT_EQ(read_bytes(own_module_path()), read_bytes(dir + L"uninstall.exe"));
    }

    void expect_link(const std::wstring& link_path, const std::wstring& install_dir) {
        const test_support::ShellLink link = test_support::read_shell_link(link_path);
        ASSERT_TRUE(link.loaded) << std::string(link_path.begin(), link_path.end());
        EXPECT_EQ(launcher_executable(install_dir), link.target);
        EXPECT_EQ(install_dir, link.working_dir);
        EXPECT_EQ(L"", link.description);
    }

    // download rising to 80, entries 80..89 then 90, 92 per entry, then the four own steps.
    static void expect_progress(const std::vector<int>& values, std::size_t entries) {
        const auto ninety = std::find(values.begin(), values.end(), 90);
        ASSERT_NE(values.end(), ninety);
        const std::vector<int> download_and_read(values.begin(), ninety);
        ASSERT_FALSE(download_and_read.empty());
        const auto eighty = std::find(download_and_read.begin(), download_and_read.end(), 80);
        ASSERT_NE(download_and_read.end(), eighty);
        EXPECT_TRUE(std::is_sorted(download_and_read.begin(), eighty + 1));
        EXPECT_EQ(entries, std::size_t(download_and_read.end() - eighty - 1)) << "one report per entry read";
        for (auto v = eighty + 1; v != download_and_read.end(); ++v) EXPECT_TRUE(*v >= 80 && *v <= 89) << *v;
        std::vector<int> tail(ninety + 1, values.end());
        std::vector<int> expected(entries, 92);
        expected.insert(expected.end(), {93, 94, 95, 100});
        EXPECT_EQ(expected, tail);
    }
};

const std::size_t LAUNCHER_PACKAGE_ENTRIES = 6;

TEST_F(InstallProcedure, WholeInstallWithDesktopShortcutAndLauncherStart) {
    TempFolder root(L"install");
    const std::wstring dir = root.path() + L"\\Velkarion";
    Recorder progress;
    EXPECT_EQ(L"", install_procedure_from(package_url(L"launcher.zip"), dir, true, progress.callback));
    expect_package_files(dir);
    expect_registered(dir + L"\\");
    expect_link(dir + L"\\Launcher.lnk", dir);
    expect_link(desktop_shortcut_path(), dir);
    expect_progress(progress.values, LAUNCHER_PACKAGE_ENTRIES);

    // The installed launcher runs from the install directory.
    SetEnvironmentVariableW(L"VELK_LAUNCHER_EXIT_AFTER_MS", L"200");
    ASSERT_TRUE(start_launcher(dir));
    const std::wstring record = dir + L"\\launcher\\launcher-started.txt";
    std::string text;
    for (int i = 0; i < 150 && text.find('\n', text.find("current directory")) == std::string::npos; ++i) {
        Sleep(100);
        text = exists(record) ? read_bytes(record) : "";
    }
    EXPECT_NE(std::string::npos, text.find("current directory: " + std::string(dir.begin(), dir.end()) + "\n"))
        << text;
    // The executable stays locked until its process has gone. Started by the desktop shell
    // (this process counts as elevated under Wine), the launcher has the shell's environment
    // and so no time limit: it is closed here.
    const std::wstring exe = dir + L"\\launcher\\Launcher.exe";
    for (int i = 0; i < 100 && !DeleteFileW(exe.c_str()); ++i) {
        if (HWND window = FindWindowW(L"VelkarionSampleLauncher", L"Launcher")) PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(100);
    }
}

TEST_F(InstallProcedure, TrailingBackslashAndSpaceWithoutDesktopShortcut) {
    TempFolder root(L"install");
    const std::wstring dir = root.path() + L"\\My Games\\Velkarion\\";
    Recorder progress;
    EXPECT_EQ(L"", install_procedure_from(package_url(L"launcher.zip"), dir, false, progress.callback));
    expect_package_files(root.path() + L"\\My Games\\Velkarion");
    expect_registered(dir);
    expect_link(dir + L"Launcher.lnk", dir);
    EXPECT_FALSE(exists(desktop_shortcut_path()));
    EXPECT_EQ((std::vector<std::wstring>{L"Launcher.lnk", L"launcher", L"readme.txt", L"uninstall.exe"}),
              names_in(root.path() + L"\\My Games\\Velkarion"));
}

TEST_F(InstallProcedure, DownloadErrorLeavesNothing) {
    TempFolder root(L"install");
    const std::wstring dir = root.path() + L"\\Velkarion";
    Recorder progress;
    EXPECT_EQ(L"HTTP error: 404", install_procedure_from(package_url(L"missing.zip"), dir, true, progress.callback));
    expect_not_registered(dir);
    EXPECT_TRUE(names_in(dir).empty());
}

TEST_F(InstallProcedure, StopDuringDownloadOrReadingLeavesNothing) {
    TempFolder root(L"install");
    const std::wstring dir = root.path() + L"\\Velkarion";
    Recorder in_download;
    in_download.stop_after = 0;
    EXPECT_EQ(L"User cancelled download",
              install_procedure_from(package_url(L"launcher.zip"), dir, true, in_download.callback));
    // The download's last report is 80; the first entry read reports 80 again.
    Recorder in_reading;
    in_reading.callback = [&in_reading](int v) {
        std::lock_guard<std::mutex> hold(in_reading.lock);
        in_reading.values.push_back(v);
        return std::count(in_reading.values.begin(), in_reading.values.end(), 80) < 2;
    };
    EXPECT_EQ(L"User cancelled unpack", install_procedure_from(package_url(L"launcher.zip"), dir, true, in_reading.callback));
    expect_not_registered(dir);
    EXPECT_TRUE(names_in(dir).empty());
}

TEST_F(InstallProcedure, DamagedPackageWritesNothing) {
    TempFolder root(L"install");
    const std::wstring dir = root.path() + L"\\Velkarion";
    Recorder progress;
    const std::wstring outcome = install_procedure_from(package_url(L"damaged.zip"), dir, true, progress.callback);
    EXPECT_EQ(L"zip.", outcome.substr(0, 4)) << std::string(outcome.begin(), outcome.end());
    expect_not_registered(dir);
    EXPECT_TRUE(names_in(dir).empty());
    EXPECT_EQ(progress.values.end(), std::find(progress.values.begin(), progress.values.end(), 92));
}

TEST_F(InstallProcedure, WriteErrorKeepsWhatIsThereAndRegistersNothing) {
    TempFolder root(L"install");
    const std::wstring dir = root.path();
    write_file(dir + L"\\earlier.txt", "earlier");
    write_file(dir + L"\\blocked.txt", "old");
    Recorder progress;
    std::wstring outcome;
    {
        // Held open without sharing, as a running program holds its file.
        const base::UniqueHandle held(
            CreateFileW((dir + L"\\blocked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(bool(held));
        outcome = install_procedure_from(package_url(L"blocked.zip"), dir, true, progress.callback);
    }
    EXPECT_EQ(L"fo: ", outcome.substr(0, 4)) << std::string(outcome.begin(), outcome.end());
    const std::wstring sharing_violation = L":system:32";
    EXPECT_EQ(sharing_violation, outcome.substr(outcome.size() - std::min(outcome.size(), sharing_violation.size())));
    expect_not_registered(dir);
    EXPECT_EQ("earlier", read_bytes(dir + L"\\earlier.txt"));
    EXPECT_EQ("old", read_bytes(dir + L"\\blocked.txt"));
    if (exists(dir + L"\\first.txt")) {
        EXPECT_EQ("first", read_bytes(dir + L"\\first.txt"));
    }
}

TEST_F(InstallProcedure, DirectoryThatIsNotAbsoluteIsRefusedBeforeDownloading) {
    for (const wchar_t* dir : {L"", L"Velkarion", L"games\\Velkarion", L"C:Velkarion", L"\\Velkarion"}) {
        Recorder progress;
        EXPECT_EQ(L"Install directory is not an absolute path",
                  install_procedure_from(package_url(L"refused.zip"), dir, true, progress.callback));
        EXPECT_TRUE(progress.values.empty());
    }
    EXPECT_TRUE(test_support::uninstall_key_values().empty());
    // The server logs a request before answering it: once the marker is answered, an
    // earlier request for the refused package would be in the log.
    EXPECT_EQ("/ok?marker", download_package_from(L"http://" + server_host() + L"/ok?marker", [](int) { return true; }));
    const std::string log = read_bytes(from_unix(build_dir() + "/tests/app/install_procedure/server/requests.log"));
    EXPECT_NE(std::string::npos, log.find("/ok?marker"));
    EXPECT_EQ(std::string::npos, log.find("refused.zip"));
}

}  // namespace
