#include "installer/app/install_path.h"
#include "installer/app/options.h"

#include <gtest/gtest.h>

namespace {

StartOptions parse(std::initializer_list<const wchar_t*> args) {
    std::vector<const wchar_t*> argv{L"VelkarionSetup.exe"};
    argv.insert(argv.end(), args);
    return read_options(static_cast<int>(argv.size()), argv.data());
}

TEST(Options, WholeCaseSensitiveArgumentsOnly) {
    EXPECT_FALSE(parse({}).dry_run);
    EXPECT_TRUE(parse({L"--dry-run"}).dry_run);
    EXPECT_TRUE(parse({L"--install", L"--dry-run", L"--install"}).force_install);
    EXPECT_TRUE(parse({L"--dry-run", L"--install"}).dry_run);
    for (const wchar_t* near_miss : {L"--Dry-Run", L"-dry-run", L"--dry-run=1", L" --install", L"--INSTALL"}) {
        const StartOptions options = parse({near_miss});
        EXPECT_FALSE(options.dry_run || options.force_install) << near_miss;
    }
    // The program name itself is never an option.
    const wchar_t* only_name[] = {L"--install"};
    EXPECT_FALSE(read_options(1, only_name).force_install);
}

TEST(InstallPath, FolderPrefixAndDriveRoot) {
    EXPECT_EQ(install_folder_prefix(L"C:\\Games\\"), L"C:\\Games\\");
    EXPECT_EQ(install_folder_prefix(L"D:\\My Games"), L"D:\\My Games\\");
    EXPECT_EQ(install_folder_prefix(L"E:\\"), L"E:\\");
    EXPECT_EQ(install_folder_prefix(L"E"), L"E:\\");
    EXPECT_EQ(install_folder_prefix(L""), L"");

    EXPECT_EQ(drive_root_of(L"d:\\x"), L"d:\\");
    EXPECT_EQ(drive_root_of(L"C:\\"), L"C:\\");
    EXPECT_EQ(drive_root_of(L"C:"), L"");
    EXPECT_EQ(drive_root_of(L"C:games"), L"");
    EXPECT_EQ(drive_root_of(L"\\\\server\\share"), L"");
    EXPECT_EQ(drive_root_of(L""), L"");
}

}  // namespace
