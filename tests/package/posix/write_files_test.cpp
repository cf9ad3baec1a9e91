// POSIX answers of the file writer: a read-only file is refused with EACCES.
#include "installer/package/unpack.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>

#include <boost/filesystem.hpp>

#include "installer/base/errors.h"
#include "tests/support/outcome.h"

namespace fs = boost::filesystem;

TEST(WriteFilesPosix, ReadOnlyFileFailsWithFoAndPermissionDenied) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files anyway";
    const fs::path target = fs::temp_directory_path() / fs::unique_path("velk-ro-%%%%-%%%%");
    fs::create_directories(target);
    const fs::path locked = target / "locked.txt";
    { std::ofstream(locked.string()) << "keep"; }
    ASSERT_EQ(0, chmod(locked.c_str(), 0444));
    unpacked_files.assign(1, FileData{L"locked.txt", "replace"});
    const std::wstring outcome =
        test_support::outcome_of([&] { write_files(target.wstring(), [](int) { return true; }); });
    EXPECT_EQ(0u, outcome.rfind(L"fo: ", 0)) << outcome;
    EXPECT_EQ(L":system:" + std::to_wstring(EACCES),
              outcome.substr(outcome.find(L":system:") == std::wstring::npos ? 0 : outcome.find(L":system:")));
    boost::system::error_code ignored;
    fs::remove_all(target, ignored);
}
