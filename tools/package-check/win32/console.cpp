#include "tools/package-check/console.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "tools/package-check/utf.h"

namespace console {
namespace {

// LocalFree for the array CommandLineToArgvW hands out.
class ArgumentArray {
public:
    explicit ArgumentArray(LPWSTR* items) noexcept : items_(items) {}
    ArgumentArray(const ArgumentArray&) = delete;
    ArgumentArray& operator=(const ArgumentArray&) = delete;
    ~ArgumentArray() {
        if (items_) LocalFree(items_);
    }
    LPWSTR* get() const noexcept { return items_; }

private:
    LPWSTR* items_;
};

}  // namespace

void start() { SetConsoleOutputCP(CP_UTF8); }

std::vector<std::wstring> arguments(int, char**) {
    int count = 0;
    const ArgumentArray items(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::wstring> out;
    for (int i = 1; items.get() && i < count; ++i) out.emplace_back(items.get()[i]);
    return out;
}

boost::filesystem::path to_path(const std::wstring& text) { return boost::filesystem::path(text); }

void line(const std::wstring& text) {
    const std::string bytes = utf8_from_wide(text) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace console
