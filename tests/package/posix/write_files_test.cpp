// POSIX answers of the file writer: a read-only file is refused with EACCES.
#include "installer/package/unpack.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
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

// Links planted in the target before the install: nothing is written through them, and a
// file that has another name is replaced, not changed under that name.
TEST(WriteFilesPosix, PlantedLinksAreRefusedAndHardLinkedFilesReplaced) {
    const fs::path root = fs::temp_directory_path() / fs::unique_path("velk-links-%%%%-%%%%");
    const fs::path target = root / "target", elsewhere = root / "elsewhere";
    fs::create_directories(target);
    fs::create_directories(elsewhere);
    { std::ofstream((elsewhere / "canary.txt").string()) << "canary"; }
    ASSERT_EQ(0, symlink(elsewhere.c_str(), (target / "data").c_str()));
    ASSERT_EQ(0, symlink((elsewhere / "canary.txt").c_str(), (target / "file.txt").c_str()));
    const std::wstring loop = L":system:" + std::to_wstring(ELOOP);
    struct Case {
        const wchar_t* entry;
        const wchar_t* outcome_start;
    };
    for (const Case& c : {Case{L"data\\new.bin", L"md: "}, Case{L"data\\deeper\\new.bin", L"md: "},
                          Case{L"file.txt", L"fo: "}}) {
        unpacked_files.assign(1, FileData{c.entry, "written"});
        const std::wstring outcome =
            test_support::outcome_of([&] { write_files(target.wstring(), [](int) { return true; }); });
        EXPECT_EQ(0u, outcome.rfind(c.outcome_start, 0)) << outcome;
        EXPECT_EQ(loop, outcome.substr(outcome.size() - std::min(outcome.size(), loop.size())));
    }
    EXPECT_EQ(1, std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()));
    std::string text;
    std::ifstream((elsewhere / "canary.txt").string()) >> text;
    EXPECT_EQ("canary", text);

    { std::ofstream((target / "shared.txt").string()) << "old"; }
    ASSERT_EQ(0, link((target / "shared.txt").c_str(), (elsewhere / "other-name.txt").c_str()));
    unpacked_files.assign(1, FileData{L"shared.txt", "new"});
    write_files(target.wstring(), [](int) { return true; });
    std::ifstream((elsewhere / "other-name.txt").string()) >> text;
    EXPECT_EQ("old", text);
    std::ifstream((target / "shared.txt").string()) >> text;
    EXPECT_EQ("new", text);
    boost::system::error_code ignored;
    fs::remove_all(root, ignored);
}
