// Windows answers of the file writer: a read-only file is refused with access denied.
#include "installer/package/unpack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include <boost/filesystem.hpp>

#include "installer/base/errors.h"
#include "tests/support/outcome.h"

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
