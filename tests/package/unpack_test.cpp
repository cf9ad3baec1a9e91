// The two phases of extraction over packages written here by hand (stored entries and a
// method no decoder knows) and over files put straight into unpacked_files.
#include "installer/package/unpack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <boost/system/system_error.hpp>

#include "installer/base/errors.h"
#include "installer/package/memory_budget.h"
#include "tests/support/zip_builder.h"

namespace fs = boost::filesystem;

namespace {

using Entry = test_support::ZipEntry;
using test_support::crc32_of;

// The names of these packages are UTF-8, flagged as such.
std::string make_zip(std::vector<Entry> entries) {
    for (Entry& e : entries) e.flags = 0x800;
    return test_support::make_zip_archive(entries);
}

// Thread-safe record of every value the callback saw.
class Recorder {
public:
    explicit Recorder(int stop_at_call = -1) : stop_at_call_(stop_at_call) {}
    ProgressFn fn() {
        return [this](int value) {
            std::lock_guard<std::mutex> guard(lock_);
            values_.push_back(value);
            return stop_at_call_ < 0 || static_cast<int>(values_.size()) < stop_at_call_;
        };
    }
    std::vector<int> values() {
        std::lock_guard<std::mutex> guard(lock_);
        return values_;
    }

private:
    std::mutex lock_;
    std::vector<int> values_;
    int stop_at_call_;
};

std::wstring outcome_of(const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
        return describe_current_exception();
    }
    return std::wstring();
}

// A fresh empty target directory, removed afterwards.
class TargetDirectory {
public:
    TargetDirectory()
        : path_(fs::temp_directory_path() / fs::unique_path("velk-unpack-%%%%-%%%%-%%%%")) {
        fs::create_directories(path_);
    }
    ~TargetDirectory() {
        boost::system::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    // The target as the installer passes it: a wide Windows-style path on Windows.
    std::wstring wide() const { return path_.wstring(); }
    fs::path operator/(const std::string& relative) const { return path_ / relative; }
    std::size_t count_below() const {
        return static_cast<std::size_t>(std::distance(fs::recursive_directory_iterator(path_),
                                                      fs::recursive_directory_iterator()));
    }

private:
    fs::path path_;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path.string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void set_files(std::vector<FileData> files) { unpacked_files = std::move(files); }

std::vector<int> sorted(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    return values;
}

std::wstring system_outcome(const std::string& identifier, int value) {
    const std::string message = boost::system::system_category().message(value);
    return std::wstring(identifier.begin(), identifier.end()) + L": " +
           std::wstring(message.begin(), message.end()) + L":system:" + std::to_wstring(value);
}

const std::vector<Entry> kFourEntries = {
    {"readme.txt", "hello"}, {"bin/", ""}, {"bin/tool.dat", std::string(70000, 'x')}, {"empty", ""}};

}  // namespace

TEST(UnpackPackage, DecodesEveryEntryInOrderWithSlashesTurnedAndReportsProgress) {
    for (unsigned threads : {1u, 2u, 4u}) {
        Recorder recorder;
        unpack_package(make_zip(kFourEntries), recorder.fn(), threads);
        ASSERT_EQ(4u, unpacked_files.size());
        EXPECT_EQ(L"readme.txt", unpacked_files[0].path);
        EXPECT_EQ("hello", unpacked_files[0].data);
        EXPECT_EQ(L"bin\\", unpacked_files[1].path);
        EXPECT_EQ(L"bin\\tool.dat", unpacked_files[2].path);
        EXPECT_EQ(std::string(70000, 'x'), unpacked_files[2].data);
        EXPECT_EQ("", unpacked_files[3].data);
        std::vector<int> values = recorder.values();
        ASSERT_EQ(5u, values.size());
        EXPECT_EQ(90, values.back()) << "90 comes after every entry";
        values.pop_back();
        EXPECT_EQ((std::vector<int>{80, 82, 85, 87}), sorted(values)) << "threads " << threads;
    }
}

TEST(UnpackPackage, ResizesTheSharedVectorAndOverwritesEveryElement) {
    set_files({{L"old1", "a"}, {L"old2", "b"}, {L"old3", "c"}, {L"old4", "d"}, {L"old5", "e"}});
    unpack_package(make_zip({{"one", "1"}, {"two", "22"}}), [](int) { return true; });
    ASSERT_EQ(2u, unpacked_files.size());
    EXPECT_EQ(L"one", unpacked_files[0].path);
    EXPECT_EQ("22", unpacked_files[1].data);
}

TEST(UnpackPackage, FailuresCarryTheTextTheInstallerShows) {
    const auto quiet = [](int) { return true; };
    EXPECT_EQ(L"empty ZIP", outcome_of([&] { unpack_package(make_zip({}), quiet); }));
    const std::wstring not_zip = outcome_of([&] { unpack_package("this is no archive at all", quiet); });
    EXPECT_EQ(0u, not_zip.rfind(L"zip.eocd: ", 0)) << not_zip;
    EXPECT_EQ(L":11", not_zip.substr(not_zip.size() - 3));
}

TEST(UnpackPackage, FirstFailureIsRethrownAndStopsTheRest) {
    std::atomic<int> calls{0};
    std::vector<Entry> entries;
    for (int i = 0; i < 50; ++i) entries.push_back({"f" + std::to_string(i), "data", 0});
    entries[0].method = 99;
    const std::string package = make_zip(entries);
    try {
        unpack_package(package, [&](int) { ++calls; return true; }, 1);
        FAIL() << "an undecodable entry must fail the unpack";
    } catch (const boost::system::system_error& e) {
        EXPECT_EQ(0u, std::string(e.what()).rfind("zip.method", 0)) << e.what();
        EXPECT_EQ(0, e.code().value());
    }
    EXPECT_EQ(1, calls.load()) << "iterations after the failure are not run";
}

TEST(UnpackPackage, CancelOnTheFirstValueStopsBeforeAnythingIsWritten) {
    TargetDirectory target;
    Recorder recorder(1);
    EXPECT_EQ(L"User cancelled unpack",
              outcome_of([&] { unpack_package(make_zip(kFourEntries), recorder.fn(), 2); }));
    EXPECT_EQ(0u, target.count_below());
    for (int value : recorder.values()) EXPECT_LT(value, 90);
}

TEST(UnpackPackage, UnsafeOrDuplicateNamesAreRefusedBeforeWriting) {
    const auto quiet = [](int) { return true; };
    for (const char* name : {"../evil.txt", "a/../../evil", "/etc/evil", "C:/evil", "c:evil",
                             "file.txt:stream", "a/.../b", "a/.. /b", "\\\\server\\share\\x", "nul",
                             "data/CON.txt", "Com1 .log", "lpt9", "a/aux/b", "COM\u00b9", "data/com\u00b2.txt",
                             "LPT\u00b3 .log", "lpt\u00b9/x", "LAUNCH~1.EXE", "data/PROGR~12/x.txt",
                             "readme~3.txt.", "a~1"}) {
        EXPECT_EQ(L"zip.name: Invalid argument:generic:22",
                  outcome_of([&] { unpack_package(make_zip({{"fine", "x"}, {name, "bad"}}), quiet); }))
            << name;
    }
    for (const std::vector<Entry>& clash :
         {std::vector<Entry>{{"Data/File.bin", "1"}, {"data/file.BIN", "2"}},
          std::vector<Entry>{{"a/b", "1"}, {"a/./b", "2"}},
          std::vector<Entry>{{"a/b", "1"}, {"a//b.", "2"}},
          std::vector<Entry>{{"a", "file"}, {"a/b", "needs a as folder"}},
          std::vector<Entry>{{"A", "file"}, {"a/", ""}},
          std::vector<Entry>{{"\u00c9t\u00e9.txt", "1"}, {"\u00e9t\u00e9.txt", "2"}},
          std::vector<Entry>{{"\u0414\u0430\u043d\u043d\u044b\u0435/x", "1"}, {"\u0434\u0430\u043d\u043d\u044b\u0435/X", "2"}},
          std::vector<Entry>{{"\u03c3\u03bf\u03c6\u03af\u03b1", "1"}, {"\u03a3\u039f\u03a6\u038a\u0391", "2"}},
          std::vector<Entry>{{"\u00c4", "file"}, {"\u00e4/x", "needs it as folder"}}}) {
        EXPECT_EQ(L"zip.duplicate: File exists:generic:17",
                  outcome_of([&] { unpack_package(make_zip(clash), quiet); }))
            << clash[0].name << " / " << clash[1].name;
    }
    // Repeated folders, dots inside names and a "." component are fine, and so are names
    // that only look like the refused ones.
    EXPECT_EQ(L"", outcome_of([&] {
                  unpack_package(make_zip({{"d/", ""}, {"D/", ""}, {"d/x..y", "1"}, {"./d/..z", "2"},
                                           {"console.txt", "3"}, {"lpt10", "5"}, {"COM\u2074", "6"},
                                           {"my~file.txt", "7"}, {"longname~1.txt", "8"}, {"a~1.text", "9"},
                                           {"a~1.b.c", "10"}, {"x~.txt", "11"}, {"stra\u00dfe", "12"},
                                           {"STRASSE", "13"}}), quiet);
              }));
    // The longest name an entry can have, one folder deep per two bytes.
    std::string deep;
    for (int i = 0; i < 32767; ++i) deep += "a/";
    EXPECT_EQ(L"", outcome_of([&] { unpack_package(make_zip({{deep + "f", "deep"}, {deep, ""}}), quiet); }));
    EXPECT_EQ(L"zip.duplicate: File exists:generic:17",
              outcome_of([&] { unpack_package(make_zip({{deep + "f", "1"}, {deep + "F", "2"}}), quiet); }));
}

// Each package starts with an entry that fails only when it is decoded: the fault after
// it must be found first, before any entry is read.
TEST(UnpackPackage, EveryEntryIsCheckedBeforeTheFirstIsDecoded) {
    const Entry undecodable{"undecodable.bin", "data", 99};
    struct Case {
        const char* what;
        Entry fault;
        std::uint64_t memory_limit;
        std::wstring outcome;
    };
    const Case cases[] = {
        {"stored sizes differ", {"stored.txt", "12345", 0, 6}, 0, system_outcome("zip.size", 11)},
        {"unsafe name", {"a/../../evil", "x"}, 0, L"zip.name: Invalid argument:generic:22"},
        {"short-name form", {"LAUNCH~1.EXE", "x"}, 0, L"zip.name: Invalid argument:generic:22"},
        {"same name in other case", {"UNDECODABLE.BIN", "x"}, 0, L"zip.duplicate: File exists:generic:17"},
        {"more than the memory limit", {"big.txt", std::string(1000, 'b')}, 1000,
         system_outcome("zip.memory", 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<int> calls{0};
        EXPECT_EQ(c.outcome, outcome_of([&] {
                      unpack_package(make_zip({undecodable, c.fault}), [&](int) { ++calls; return true; }, 1,
                                     c.memory_limit);
                  }));
        EXPECT_EQ(0, calls.load());
    }
}

// What decoding takes: every entry's content, plus one compressed copy per worker beside
// the entry it decodes; at the limit the package is taken, one byte below it is refused.
TEST(UnpackPackage, MemoryLimitCountsContentAndCompressedCopies) {
    const auto quiet = [](int) { return true; };
    const std::string plain(5000, 'z');
    std::string packed(1000, '\0');
    packed.resize(tdefl_compress_mem_to_mem(&packed[0], packed.size(), plain.data(), plain.size(),
                                            TDEFL_DEFAULT_MAX_PROBES));
    std::vector<Entry> entries = {{"one.txt", std::string(3000, 'a')}, {"two.txt", std::string(2000, 'b')}};
    const Entry deflated{"z.txt", packed, 8, 5000, crc32_of(plain)};
    std::string package = make_zip(entries);
    EXPECT_EQ(L"", outcome_of([&] { unpack_package(package, quiet, 2, 5000); }));
    EXPECT_EQ(system_outcome("zip.memory", 8), outcome_of([&] { unpack_package(package, quiet, 2, 4999); }));

    // The deflate entry's content is 5000 bytes, its compressed copy is held beside it.
    entries.push_back(deflated);
    package = make_zip(entries);
    const std::uint64_t content = 3000 + 2000 + 5000;
    ASSERT_EQ(L"", outcome_of([&] { unpack_package(package, quiet, 1, content + packed.size()); }));
    EXPECT_EQ(plain, unpacked_files[2].data);
    EXPECT_EQ(system_outcome("zip.memory", 8),
              outcome_of([&] { unpack_package(package, quiet, 1, content + packed.size() - 1); }));
    EXPECT_EQ(L"", outcome_of([&] { unpack_package(package, quiet, 3, content + 3 * packed.size()); }));
    EXPECT_EQ(system_outcome("zip.memory", 8),
              outcome_of([&] { unpack_package(package, quiet, 3, content + 3 * packed.size() - 1); }));
}

// 2012 bytes of bzip2 data may claim 0xFFFFFFF0 bytes (a block of 46 MB packs into tens of
// bytes), so only the memory check stands between such an entry and a 4 GiB allocation.
TEST(UnpackPackage, AnEntryClaimingFourGigabytesIsNeverAllocated) {
    const std::string package = make_zip({{"huge.bin", std::string(2012, 'x'), 12, 0xFFFFFFF0u}});
    EXPECT_EQ(system_outcome("zip.memory", 8),
              outcome_of([&] { unpack_package(package, [](int) { return true; }, 1, std::uint64_t(1) << 30); }));
    // A 32-bit process never has room for it, whatever the machine has free.
    EXPECT_LT(memory_budget(package.size(), 4, ~std::uint64_t(0)), 0xFFFFFFF0u);
}

TEST(MemoryBudget, ThirtyTwoBitProcessesKeepToTheirAddressSpace) {
    const std::uint64_t mib = std::uint64_t(1) << 20, gib = mib << 10;
    // 4 GiB less 256 MiB for the program, less the package.
    EXPECT_EQ(4 * gib - 256 * mib - 100 * mib, memory_budget(100 * mib, 4, 64 * gib));
    EXPECT_EQ(gib, memory_budget(100 * mib, 4, gib));
    EXPECT_EQ(0u, memory_budget(4 * gib - 200 * mib, 4, 64 * gib));
    EXPECT_EQ(64 * gib, memory_budget(100 * mib, 8, 64 * gib));
    const std::uint64_t free_memory = free_memory_bytes();
    EXPECT_GT(free_memory, 16 * mib);
    EXPECT_LT(free_memory, std::uint64_t(1) << 50) << "the system should tell";
}

TEST(WriteFiles, WritesFilesFoldersAndEmptyFilesBelowTheTarget) {
    TargetDirectory target;
    set_files({{L"top.txt", "top"},
               {L"one\\two\\deep.bin", std::string(100000, '\x7f')},
               {L"folder\\", ""},
               {L"folder\\sub\\", ""},
               {L"zero", ""}});
    Recorder recorder(1);  // asking to stop while writing changes nothing
    write_files(target.wide(), recorder.fn(), 3);
    EXPECT_EQ((std::vector<int>(5, 92)), recorder.values());
    EXPECT_EQ("top", read_file(target / "top.txt"));
    EXPECT_EQ(std::string(100000, '\x7f'), read_file(target / "one/two/deep.bin"));
    EXPECT_TRUE(fs::is_directory(target / "folder/sub"));
    EXPECT_TRUE(fs::is_regular_file(target / "zero"));
    EXPECT_EQ(0u, fs::file_size(target / "zero"));
    EXPECT_EQ(7u, target.count_below());  // 3 files and the folders one, two, folder, sub
}

TEST(WriteFiles, OverwritesFilesSkipsExistingFoldersAndAcceptsATrailingSeparator) {
    TargetDirectory target;
    fs::create_directories(target / "taken/inner");
    { std::ofstream((target / "old.txt").string()) << "a much longer old content"; }
    set_files({{L"taken", "would replace a folder"}, {L"old.txt", "new"}});
    write_files(target.wide() + L"\\", [](int) { return true; });
    EXPECT_TRUE(fs::is_directory(target / "taken/inner"));
    EXPECT_EQ("new", read_file(target / "old.txt"));
}

TEST(WriteFiles, BadNamesLeaveTheDiskUntouched) {
    TargetDirectory target;
    set_files({{L"good.txt", "x"}, {L"sub\\..\\..\\escape.txt", "y"}});
    EXPECT_EQ(L"zip.name: Invalid argument:generic:22",
              outcome_of([&] { write_files(target.wide(), [](int) { return true; }); }));
    set_files({{L"good.txt", "x"}, {L"GOOD.TXT", "y"}});
    EXPECT_EQ(L"zip.duplicate: File exists:generic:17",
              outcome_of([&] { write_files(target.wide(), [](int) { return true; }); }));
    EXPECT_EQ(0u, target.count_below());
    EXPECT_FALSE(fs::exists(target.path().parent_path() / "escape.txt"));
}

TEST(WriteFiles, AFolderThatCannotBeMadeFailsWithMd) {
    TargetDirectory target;
    { std::ofstream((target / "blocker").string()) << "a file where a folder should go"; }
    unpacked_files.assign(1, FileData{L"blocker\\inside.txt", "x"});
    const std::wstring outcome = outcome_of([&] { write_files(target.wide(), [](int) { return true; }); });
    EXPECT_EQ(0u, outcome.rfind(L"md: ", 0)) << outcome;
}
