// Windows answers of the file writer: a read-only file is refused with access denied.
#include "installer/package/unpack.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include <boost/filesystem.hpp>

#include "installer/package/errors.h"

namespace fs = boost::filesystem;

TEST(WriteFilesWindows, ReadOnlyFileFailsWithFoAndAccessDenied) {
    const fs::path target = fs::temp_directory_path() / fs::unique_path("velk-ro-%%%%-%%%%");
    fs::create_directories(target);
    const fs::path locked = target / "locked.txt";
    { std::ofstream(locked.string()) << "keep"; }
    ASSERT_TRUE(SetFileAttributesW(locked.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
    unpacked_files.assign(1, FileData{L"locked.txt", "replace"});
    std::wstring outcome;
    try {
        write_files(target.wstring(), [](int) { return true; });
    } catch (...) {
        outcome = describe_current_exception();
    }
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
