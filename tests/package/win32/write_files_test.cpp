// Windows answers of the file writer: a read-only file is refused with access denied, and
// links planted in the target are not followed.
#include "installer/package/unpack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include <boost/filesystem.hpp>

#include "installer/base/errors.h"
#include "installer/package/win32/install_folder_security.h"
#include "tests/support/outcome.h"
#include "tests/support/win32/grants.h"

namespace fs = boost::filesystem;

TEST(WriteFilesWindows, ReadOnlyFileFailsWithFoAndAccessDenied) {
    const fs::path target = fs::temp_directory_path() / fs::unique_path("velk-ro-%%%%-%%%%");
    fs::create_directories(target);
    const fs::path locked = target / "locked.txt";
    { std::ofstream(locked.string()) << "keep"; }
    ASSERT_TRUE(SetFileAttributesW(locked.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
    {
        // Wine run by root maps the attribute to Unix modes that root ignores.
        HANDLE probe = CreateFileW(locked.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            SetFileAttributesW(locked.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
            boost::system::error_code ignored;
            fs::remove_all(target, ignored);
            GTEST_SKIP() << "this system lets the user write read-only files";
        }
    }
    unpacked_files.assign(1, FileData{L"locked.txt", "replace"});
    const std::wstring outcome =
        test_support::outcome_of([&] { write_files(target.wstring(), [](int) { return true; }); });
    EXPECT_EQ(0u, outcome.rfind(L"fo: ", 0)) << outcome;
    EXPECT_EQ(L":system:5", outcome.substr(outcome.size() < 9 ? 0 : outcome.size() - 9));
    SetFileAttributesW(locked.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ifstream in(locked.string());
    std::string kept;
    in >> kept;
    EXPECT_EQ("keep", kept);
    boost::system::error_code ignored;
    fs::remove_all(target, ignored);
}

TEST(WriteFilesWindows, FileHeldOpenWithoutSharingFailsWithFoAndTheSystemCode) {
    const fs::path target = fs::temp_directory_path() / fs::unique_path("velk-busy-%%%%-%%%%");
    fs::create_directories(target);
    const fs::path busy = target / "busy.txt";
    HANDLE holder = CreateFileW(busy.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    unpacked_files.assign(1, FileData{L"busy.txt", "replace"});
    const std::wstring outcome =
        test_support::outcome_of([&] { write_files(target.wstring(), [](int) { return true; }); });
    CloseHandle(holder);
    EXPECT_EQ(0u, outcome.rfind(L"fo: ", 0)) << outcome;
    EXPECT_EQ(L":system:32", outcome.substr(outcome.size() < 10 ? 0 : outcome.size() - 10));  // sharing violation
    boost::system::error_code ignored;
    fs::remove_all(target, ignored);
}

namespace {

std::wstring from_unix(const char* path) {
    std::wstring out = L"Z:";
    for (const char* p = path; *p; ++p) out.push_back(*p == '/' ? L'\\' : wchar_t(*p));
    return out;
}

std::string read_all(const std::wstring& path) {
    std::ifstream in(fs::path(path).string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// The fixture's target holds a folder link "data" (a Unix symbolic link, which Wine shows
// as a reparse point) into a folder with a canary: the writer refuses it, and a file with
// a second name is replaced, not changed under it. A real Windows machine adds junctions
// and links to files, which Wine shows as plain files (checked: attributes 0x20); the
// native tests cover links to files.
TEST(WriteFilesWindows, PlantedLinksAreRefusedAndHardLinkedFilesReplaced) {
    const char* fixture = std::getenv("VELK_LINK_FIXTURE");
    ASSERT_NE(nullptr, fixture) << "VELK_LINK_FIXTURE not set";
    const std::wstring target = from_unix(fixture) + L"\\target";
    const std::wstring elsewhere = from_unix(fixture) + L"\\elsewhere-data";
    ASSERT_TRUE(GetFileAttributesW((target + L"\\data").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    struct Case {
        const wchar_t* entry;
        const wchar_t* outcome_start;
    };
    for (const Case& c : {Case{L"data\\new.bin", L"md: "}, Case{L"data\\deeper\\new.bin", L"md: "},
                          Case{L"data", L"fo: "}}) {
        unpacked_files.assign(1, FileData{c.entry, "written"});
        const std::wstring outcome =
            test_support::outcome_of([&] { write_files(target, [](int) { return true; }); });
        EXPECT_EQ(0u, outcome.rfind(c.outcome_start, 0)) << outcome;
        EXPECT_EQ(L":system:1920", outcome.substr(outcome.size() < 12 ? 0 : outcome.size() - 12));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((elsewhere + L"\\new.bin").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((elsewhere + L"\\deeper").c_str()));
    EXPECT_EQ("c\n", read_all(elsewhere + L"\\canary.txt"));

    const std::wstring shared = target + L"\\shared.txt", other = elsewhere + L"\\other-name.txt";
    unpacked_files.assign(1, FileData{L"shared.txt", "old"});
    write_files(target, [](int) { return true; });
    ASSERT_TRUE(CreateHardLinkW(other.c_str(), shared.c_str(), nullptr)) << GetLastError();
    unpacked_files.assign(1, FileData{L"shared.txt", "new"});
    write_files(target, [](int) { return true; });
    EXPECT_EQ("new", read_all(shared));
    EXPECT_EQ("old", read_all(other));
}

// The install folder's list, read as data: Wine accepts a list when a folder is made but
// does not keep it, so only a real Windows machine shows a standard user's rename of the
// folder refused.
TEST(InstallFolderSecurity, UsersAddAndChangeInsideButCannotRemoveOrRenameTheFolder) {
    const auto descriptor = file_writer::install_folder_descriptor();
    ASSERT_TRUE(descriptor);
    const test_support::Grants grants = test_support::grants_of(descriptor.get());
    EXPECT_TRUE(grants.is_protected);
    const ACCESS_MASK read_run_list = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    const std::map<std::wstring, ACCESS_MASK> expected = {
        {L"S-1-5-32-544", FILE_ALL_ACCESS},         {L"S-1-5-32-544 inside", FILE_ALL_ACCESS},  // Administrators
        {L"S-1-5-18", FILE_ALL_ACCESS},             {L"S-1-5-18 inside", FILE_ALL_ACCESS},      // SYSTEM
        {L"S-1-5-32-545", read_run_list | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY},                // Users
        {L"S-1-5-32-545 inside", FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE}};
    EXPECT_EQ(expected, grants.allowed);
    // Renaming or deleting the folder takes DELETE on it or FILE_DELETE_CHILD on its parent
    // (which, made by the installer, has this list too); changing the list, WRITE_DAC.
    EXPECT_EQ(0u, grants.allowed.at(L"S-1-5-32-545") & (DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER));
    EXPECT_EQ(0u, grants.allowed.at(L"S-1-5-32-545 inside") & (FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER));
}

TEST(InstallFolderSecurity, GuardedFoldersAreMadeAndWrittenBelow) {
    const fs::path root = fs::temp_directory_path() / fs::unique_path("velk-guarded-%%%%-%%%%");
    const std::wstring target = (root / "Games" / "Product").wstring();
    unpacked_files.assign(1, FileData{L"launcher\\Launcher.exe", "run me"});
    write_files(target, [](int) { return true; });
    EXPECT_EQ("run me", read_all(target + L"\\launcher\\Launcher.exe"));
    boost::system::error_code ignored;
    fs::remove_all(root, ignored);
}
