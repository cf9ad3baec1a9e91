#include "installer/base/paths.h"

#include <gtest/gtest.h>

TEST(RunsFromFolder, SlashesCaseAndTrailingBackslash) {
    EXPECT_TRUE(runs_from_folder(L"C:/Games/X/launcher/uninstall.exe", L"c:\\games\\x\\launcher\\"));
    EXPECT_TRUE(runs_from_folder(L"C:\\Games\\X\\launcher\\uninstall.exe", L"C:\\Games\\X\\launcher"));
    EXPECT_FALSE(runs_from_folder(L"C:/Games/X/launcher/uninstall.exe", L"C:\\Games\\X\\"));
    EXPECT_FALSE(runs_from_folder(L"C:\\Games\\X\\uninstall.exe", L"C:\\Games\\X\\launcher\\"));
    EXPECT_FALSE(runs_from_folder(L"uninstall.exe", L"C:\\"));
}

TEST(AbsolutePath, DriveAndUncOnly) {
    EXPECT_TRUE(is_absolute_windows_path(L"C:\\Games\\Velkarion"));
    EXPECT_TRUE(is_absolute_windows_path(L"D:\\"));
    EXPECT_TRUE(is_absolute_windows_path(L"d:/games"));
    EXPECT_TRUE(is_absolute_windows_path(L"\\\\server\\share\\games"));
    EXPECT_FALSE(is_absolute_windows_path(L""));
    EXPECT_FALSE(is_absolute_windows_path(L"C:"));
    EXPECT_FALSE(is_absolute_windows_path(L"C:games"));
    EXPECT_FALSE(is_absolute_windows_path(L"\\games"));
    EXPECT_FALSE(is_absolute_windows_path(L"games\\velkarion"));
    EXPECT_FALSE(is_absolute_windows_path(L"\\\\server"));
    EXPECT_FALSE(is_absolute_windows_path(L"\\\\server\\"));
}

TEST(JoinPath, OneBackslashBetween) {
    EXPECT_EQ(L"C:\\Games\\Launcher.exe", join_path(L"C:\\Games", L"Launcher.exe"));
    EXPECT_EQ(L"C:\\Games\\Launcher.exe", join_path(L"C:\\Games\\", L"Launcher.exe"));
    EXPECT_EQ(L"D:\\launcher\\x.exe", join_path(L"D:\\", L"launcher\\x.exe"));
    EXPECT_EQ(L"x.exe", join_path(L"", L"x.exe"));
}
