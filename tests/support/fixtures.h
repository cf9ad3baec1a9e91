#pragma once
// Fixture files that the build writes below its own folder (VELK_BINARY_DIR), read the
// same way natively and under Wine.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace test_support {

// The folder of a build's fixtures, e.g. "tests/package/zip_fixtures", with a trailing '/'.
inline std::string fixture_dir(const std::string& below_build) {
    const char* build = std::getenv("VELK_BINARY_DIR");
    std::string dir = std::string(build ? build : ".") + "/" + below_build + "/";
#ifdef _WIN32
    dir = "Z:" + dir;  // the Unix path as Wine shows it
#endif
    return dir;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace test_support
