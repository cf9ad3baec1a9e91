#include "installer/system/shortcuts.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <thread>

#include "installer/system/win32/handles.h"
#include "tests/support/win32/shell_link.h"
#include "tests/support/win32/temp_folder.h"

TEST(Shortcuts, TargetWorkingDirAndEmptyDescriptionReadBack) {
    TempFolder dir(L"short cut");
    const std::wstring link_path = dir.path() + L"\\Launcher.lnk";
    create_shortcut(dir.path(), link_path);
    test_support::ShellLink link = test_support::read_shell_link(link_path);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(dir.path() + L"\\launcher\\Launcher.exe", link.target);
    EXPECT_EQ(dir.path(), link.working_dir);
    EXPECT_EQ(L"", link.description);
    // A second install overwrites it.
    create_shortcut(dir.path() + L"\\other", link_path);
    EXPECT_EQ(dir.path() + L"\\other", test_support::read_shell_link(link_path).working_dir);
}

TEST(Shortcuts, ThreadInMultithreadedApartmentGetsNone) {
    TempFolder dir(L"mta");
    const std::wstring link_path = dir.path() + L"\\Launcher.lnk";
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        create_shortcut(dir.path(), link_path);
        CoUninitialize();
    }).join();
    EXPECT_FALSE(exists(link_path));
}

TEST(Shortcuts, DesktopPathEndsInShortcutName) {
    const std::wstring path = desktop_shortcut_path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(L"\\Desktop\\Velkarion.lnk", path.substr(path.size() - 22));
}
