#include "tools/package-check/console.h"

#include <cstdio>

#include "tools/package-check/utf.h"

namespace console {

void start() {}

std::vector<std::wstring> arguments(int argc, char** argv) {
    std::vector<std::wstring> out;
    for (int i = 1; i < argc; ++i) out.push_back(wide_from_utf8(argv[i]));
    return out;
}

boost::filesystem::path to_path(const std::wstring& text) {
    return boost::filesystem::path(utf8_from_wide(text));
}

void line(const std::wstring& text) {
    const std::string bytes = utf8_from_wide(text) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace console
