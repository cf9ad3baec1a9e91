// The installer never loads a DLL from beside itself: its load-time imports are KnownDLLs
// only, and the libraries that are not (GDI+, WinHTTP, common controls) are loaded by
// name from the system folder at run time, never through an import table.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "tests/app/pe_imports.h"

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string read_file(const std::string& path) {
    std::ifstream in(("Z:" + path).c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string read_exe(const char* name) {
    const char* build = std::getenv("VELK_BINARY_DIR");
    if (!build) return std::string();
    return read_file(std::string(build) + "/installer/app/" + name);
}

void expect_known_dlls_only(const std::string& image, const char* exe) {
    const std::set<std::string> known{"kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll",
                                      "shell32.dll",  "ole32.dll",    "oleaut32.dll", "comdlg32.dll",
                                      "shlwapi.dll",  "msvcrt.dll",   "rpcrt4.dll",   "ws2_32.dll"};
    const std::vector<std::string> imports = load_time_imports(image);
    EXPECT_FALSE(imports.empty());
    for (const std::string& dll : imports) EXPECT_TRUE(known.count(lower(dll))) << exe << " imports " << dll;
    EXPECT_TRUE(delay_load_imports(image).empty()) << exe;
}

TEST(ExeImports, OnlyKnownDllsAtLoadTime) {
    for (const char* exe : {"VelkarionSetup.exe", "VelkarionSetupTest.exe"}) {
        const std::string image = read_exe(exe);
        if (image.empty()) GTEST_SKIP() << exe << " is not built in this tree yet";
        expect_known_dlls_only(image, exe);
    }
}

// The shipped exe is 32-bit, and on 64-bit Windows it may use 4 GiB: the package and its
// decoded entries are all in memory at once.
TEST(ExeImports, ArchitectureOfTheBuildAndLargeAddressAware) {
    const std::uint16_t expected = sizeof(void*) == 4 ? 0x14C : 0x8664;
    for (const char* exe : {"VelkarionSetup.exe", "VelkarionSetupTest.exe"}) {
        const std::string image = read_exe(exe);
        if (image.empty()) GTEST_SKIP() << exe << " is not built in this tree yet";
        EXPECT_EQ(pe_machine(image), expected) << exe;
        EXPECT_TRUE(large_address_aware(image)) << exe;
    }
}

TEST(ExeImports, MalformedImagesAreRejectedWithASentence) {
    EXPECT_THROW(load_time_imports(""), std::runtime_error);
    EXPECT_THROW(load_time_imports(std::string("MZ") + std::string(100, '\xff')), std::runtime_error);
    std::string fake(0x200, '\0');
    fake[0] = 'M';
    fake[1] = 'Z';
    fake[0x3C] = 0x40;
    fake.replace(0x40, 4, std::string("PE\0\0", 4));
    EXPECT_THROW(load_time_imports(fake), std::runtime_error);  // no optional header magic
}

}  // namespace
