#include "installer/system/removal.h"

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "installer/base/config/product.h"
#include "installer/system/registration.h"
#include "installer/system/self_delete_script.h"
#include "installer/system/shortcuts.h"
#include "installer/system/win32/handles.h"
#include "tests/support/win32/temp_folder.h"
#include "tests/support/win32/uninstall_key.h"

namespace {

std::vector<double> remove_with_progress(const std::wstring& folder) {
    std::vector<double> values;
    remove_tree(folder, [&](double v) { values.push_back(v); });
    return values;
}

std::wstring from_unix(const char* path) {
    std::wstring out = L"Z:";
    for (const char* p = path; *p; ++p) out.push_back(*p == '/' ? L'\\' : wchar_t(*p));
    return out;
}

}  // namespace

TEST(RemoveTree, FilesAndFoldersWithProgressPerFile) {
    TempFolder root(L"tree");
    const std::wstring launcher = root.path() + L"\\launcher";
    CreateDirectoryW(launcher.c_str(), nullptr);
    CreateDirectoryW((launcher + L"\\data").c_str(), nullptr);
    CreateDirectoryW((launcher + L"\\data\\deep").c_str(), nullptr);
    write_file(launcher + L"\\Launcher.exe", "x");
    write_file(launcher + L"\\data\\a.bin", "a");
    write_file(launcher + L"\\data\\deep\\b.bin", "b");
    const std::int32_t before = deleted_file_count;
    const auto values = remove_with_progress(launcher + L"\\");
    ASSERT_EQ(3u, values.size());
    for (std::size_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ((before + 1 + int(i)) / 10000.0, values[i]);
    EXPECT_FALSE(exists(launcher));
    EXPECT_TRUE(exists(root.path()));
}

TEST(RemoveTree, ReadOnlyFileStaysWithItsFolders) {
    TempFolder root(L"readonly");
    const std::wstring launcher = root.path() + L"\\launcher";
    CreateDirectoryW(launcher.c_str(), nullptr);
    CreateDirectoryW((launcher + L"\\keep").c_str(), nullptr);
    CreateDirectoryW((launcher + L"\\gone").c_str(), nullptr);
    write_file(launcher + L"\\keep\\ro.txt", "r");
    write_file(launcher + L"\\gone\\rw.txt", "w");
    SetFileAttributesW((launcher + L"\\keep\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(2u, remove_with_progress(launcher).size());
    EXPECT_TRUE(exists(launcher + L"\\keep\\ro.txt"));
    EXPECT_FALSE(exists(launcher + L"\\gone"));
}

TEST(RemoveTree, MissingFolderDoesNothing) {
    TempFolder root(L"missing");
    EXPECT_TRUE(remove_with_progress(root.path() + L"\\launcher").empty());
}

TEST(RemoveTree, ProgressFullAtTenThousandthOf25000Files) {
    TempFolder root(L"many");
    const std::wstring launcher = root.path() + L"\\launcher";
    CreateDirectoryW(launcher.c_str(), nullptr);
    for (int d = 0; d < 25; ++d) {
        const std::wstring sub = launcher + L"\\" + std::to_wstring(d);
        CreateDirectoryW(sub.c_str(), nullptr);
        for (int f = 0; f < 1000; ++f) write_file(sub + L"\\" + std::to_wstring(f), "");
    }
    const std::int32_t before = deleted_file_count;
    const auto values = remove_with_progress(launcher);
    ASSERT_EQ(25000u, values.size());
    EXPECT_EQ(before + 25000, deleted_file_count);
    // The counter runs on from earlier removals in this process: the bar fills at count 10000.
    const std::size_t full_at = 10000 - std::size_t(before) - 1;
    if (before < 10000) {
        EXPECT_LT(values[full_at - 1], 1.0);
        EXPECT_DOUBLE_EQ(1.0, values[full_at]);
    }
    EXPECT_FALSE(exists(launcher));
}

// The fixture made a Unix symbolic link "launcher/outside-link" to a folder beside the
// launcher folder; Wine shows it as a reparse point.
TEST(RemoveTree, LinkIsNotFollowed) {
    const char* fixture = std::getenv("VELK_LINK_FIXTURE");
    if (!fixture) GTEST_SKIP() << "VELK_LINK_FIXTURE not set";
    const std::wstring base = from_unix(fixture);
    const DWORD link_attributes = GetFileAttributesW((base + L"\\launcher\\outside-link").c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, link_attributes);
    ASSERT_TRUE(link_attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    remove_tree(base + L"\\launcher", nullptr);
    EXPECT_FALSE(exists(base + L"\\launcher\\own.txt"));
    EXPECT_TRUE(exists(base + L"\\outside\\keep.txt"));
    EXPECT_TRUE(exists(base + L"\\outside\\sub\\keep2.txt"));
}

namespace {

// A junction made the way the system's own tools make one: a mount-point reparse point
// set on an empty folder. Returns the error of the failing call, 0 on success.
DWORD make_junction(const std::wstring& junction, const std::wstring& target) {
    if (!CreateDirectoryW(junction.c_str(), nullptr)) return GetLastError();
    const base::UniqueHandle folder(CreateFileW(junction.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return GetLastError();
    const std::wstring substitute = L"\\??\\" + target;
    // Mount-point layout: tag, data length, reserved, then four name offsets/lengths and
    // the two names, each with its terminating zero.
    std::vector<BYTE> buffer(8 + 8 + (substitute.size() + target.size() + 2) * 2);
    auto put16 = [&](std::size_t at, std::size_t value) {
        buffer[at] = BYTE(value & 0xff);
        buffer[at + 1] = BYTE(value >> 8);
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(&buffer[0], &tag, 4);
    put16(4, buffer.size() - 8);
    put16(8, 0);
    put16(10, substitute.size() * 2);
    put16(12, (substitute.size() + 1) * 2);
    put16(14, target.size() * 2);
    std::memcpy(&buffer[16], substitute.c_str(), (substitute.size() + 1) * 2);
    std::memcpy(&buffer[16 + (substitute.size() + 1) * 2], target.c_str(), (target.size() + 1) * 2);
    DWORD returned = 0;
    if (!DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()), nullptr, 0,
                         &returned, nullptr))
        return GetLastError();
    return 0;
}

}  // namespace

// Links made through the Windows API, where Wine supports making them.
TEST(RemoveTree, JunctionAndSymbolicLinkMadeByTheSystemAreNotFollowed) {
    TempFolder root(L"api links");
    const std::wstring outside = root.path() + L"\\outside";
    const std::wstring launcher = root.path() + L"\\launcher";
    CreateDirectoryW(outside.c_str(), nullptr);
    CreateDirectoryW(launcher.c_str(), nullptr);
    write_file(outside + L"\\keep.txt", "k");
    write_file(launcher + L"\\own.txt", "o");
    const DWORD junction_error = make_junction(launcher + L"\\junction", outside);
    const bool symlink_made =
        CreateSymbolicLinkW((launcher + L"\\symlink").c_str(), outside.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    const DWORD symlink_error = symlink_made ? 0 : GetLastError();
    if (symlink_made) {
        EXPECT_TRUE(GetFileAttributesW((launcher + L"\\symlink").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    }
    if (junction_error == 0) {
        EXPECT_TRUE(GetFileAttributesW((launcher + L"\\junction").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    }
    remove_tree(launcher, nullptr);
    EXPECT_TRUE(exists(outside + L"\\keep.txt"));
    EXPECT_FALSE(exists(launcher + L"\\own.txt"));
    if (junction_error != 0 && symlink_error != 0) {
        GTEST_SKIP() << "this Wine makes neither junctions (error " << junction_error << ") nor symbolic links (error "
                     << symlink_error << ")";
    }
    if (junction_error != 0) std::cout << "junction not made here, error " << junction_error << "\n";
    if (symlink_error != 0) std::cout << "symbolic link not made here, error " << symlink_error << "\n";
    EXPECT_FALSE(exists(launcher));
}

TEST(RemoveInstallation, RemovesTreeShortcutAndKeyKeepsUninstaller) {
    const PrivateDesktop desktop;
    ASSERT_EQ(desktop.path() + L"\\" + DESKTOP_SHORTCUT_NAME, desktop_shortcut_path());
    TempFolder root(L"install");
    const std::wstring dir = root.path() + L"\\";
    CreateDirectoryW((dir + L"launcher").c_str(), nullptr);
    write_file(dir + L"launcher\\Launcher.exe", "x");
    write_file(dir + L"uninstall.exe", "u");
    register_uninstall(dir);
    create_shortcut(root.path(), desktop_shortcut_path());
    ASSERT_TRUE(exists(desktop_shortcut_path()));
    remove_installation(dir + L"launcher", nullptr);
    EXPECT_FALSE(exists(dir + L"launcher"));
    EXPECT_FALSE(exists(desktop_shortcut_path()));
    EXPECT_FALSE(test_support::uninstall_key_exists());
    EXPECT_TRUE(exists(dir + L"uninstall.exe"));
}

// The install folder, or the folder above it, replaced by a link (the fixture's Unix
// symbolic links): the uninstall empties nothing it leads to and still takes the entry
// away. What a real Windows machine adds: junctions made by a standard user, and the
// check and the deletion on one handle, which Wine's links do not exercise.
TEST(RemoveInstallation, InstallFolderOrAFolderAboveThatIsALinkIsNotEmptied) {
    const char* fixture = std::getenv("VELK_LINK_FIXTURE");
    ASSERT_NE(nullptr, fixture) << "VELK_LINK_FIXTURE not set";
    const std::wstring base = from_unix(fixture);
    const PrivateDesktop desktop;
    struct Case {
        const wchar_t* install_dir;
        const wchar_t* link;
    };
    for (const Case& c : {Case{L"\\linked-install\\", L"\\linked-install"},
                          Case{L"\\linked-parent\\Velkarion\\", L"\\linked-parent"}}) {
        const std::wstring dir = base + c.install_dir;
        SCOPED_TRACE(std::string(dir.begin(), dir.end()));
        ASSERT_TRUE(GetFileAttributesW((base + c.link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
        register_uninstall(dir);
        ASSERT_TRUE(test_support::uninstall_key_exists());
        remove_installation(dir + L"launcher", nullptr);
        EXPECT_TRUE(exists(dir + L"launcher\\canary.txt"));
        EXPECT_FALSE(test_support::uninstall_key_exists());
    }
}

TEST(SelfRemove, CommandLineQuotesBothPathsForCmd) {
    EXPECT_EQ(L"\"C:\\windows\\system32\\cmd.exe\" /d /c \"\"C:\\Temp Dir\\s.bat\" \"C:\\My Games\\u.exe\"\"",
              self_delete_command_line(L"C:\\windows\\system32\\cmd.exe", L"C:\\Temp Dir\\s.bat",
                                       L"C:\\My Games\\u.exe"));
}

TEST(SelfRemove, ScriptDeletesProgramAndFolder) {
    TempFolder root(L"self remove");
    const std::wstring folder = root.path() + L"\\launcher dir";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\prog.exe";
    write_file(program, "p");
    self_remove_for(program, root.path());  // not its folder: nothing happens
    EXPECT_TRUE(exists(program));
    self_remove_for(program, folder + L"\\");
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::string bytes(1024, '\0');
    HANDLE script = CreateFileW((std::wstring(temp) + SELF_DELETE_SCRIPT_NAME).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ReadFile(script, &bytes[0], 1024, &got, nullptr);
    CloseHandle(script);
    bytes.resize(got);
    EXPECT_EQ(std::string(SELF_DELETE_SCRIPT, SELF_DELETE_SCRIPT_SIZE), bytes);
    EXPECT_EQ(217u, bytes.size());
    for (int i = 0; i < 150 && exists(folder); ++i) Sleep(100);
    EXPECT_FALSE(exists(program));
    EXPECT_FALSE(exists(folder));
}
