// package-check [--threads N] [--extract DIR] PACKAGE|URL
// Reads and decodes every entry exactly as the installer does (and with --extract writes
// them below DIR). On failure the last line is the installer's outcome text; exit 1.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/filesystem/fstream.hpp>

#include "installer/base/config/product.h"
#include "installer/base/errors.h"
#include "installer/net/download.h"
#include "installer/package/large_buffer.h"
#include "installer/package/unpack.h"
#include "tools/package-check/console.h"
#include "tools/package-check/listing.h"

namespace {

struct Options {
    unsigned threads = 0;
    bool extract = false;
    std::wstring target;
    std::wstring package;
};

const wchar_t* const kUsage = L"usage: package-check [--threads N] [--extract DIR] PACKAGE|URL";

bool parse(const std::vector<std::wstring>& args, Options& options) {
    bool have_package = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--threads" && i + 1 < args.size()) {
            const std::wstring& value = args[++i];
            if (value.empty() || value.size() > 4 || value.find_first_not_of(L"0123456789") != std::wstring::npos)
                return false;
            options.threads = static_cast<unsigned>(std::stoul(value));
        } else if (args[i] == L"--extract" && i + 1 < args.size()) {
            options.extract = true;
            options.target = args[++i];
        } else if (!have_package && !args[i].empty() && args[i][0] != L'-') {
            options.package = args[i];
            have_package = true;
        } else {
            return false;
        }
    }
    return have_package;
}

constexpr std::size_t kPopulateFrom = std::size_t(8) << 20;  // smaller buffers fault cheaply

std::string read_package_file(const std::wstring& name) {
    boost::filesystem::ifstream in(console::to_path(name), std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("cannot read the package file");
    // One read into a buffer of the file's size: growing a string byte by byte copies a
    // large package several times over fresh pages.
    const std::streamoff size = in.tellg();
    if (size > 0 && in.seekg(0)) {
        std::string package;
        package.reserve(static_cast<std::size_t>(size));
        prepare_large_buffer(&package[0], package.capacity());
        // Both cores share making the fresh pages, which costs more than the read.
        if (package.capacity() >= kPopulateFrom) populate_in_parallel(&package[0], package.capacity());
        package.resize(static_cast<std::size_t>(size));
        if (!in.read(&package[0], size)) throw std::runtime_error("cannot read the package file");
        return package;
    }
    in.clear();
    in.seekg(0);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool same_path(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y) return false;
    }
    return true;
}

double milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::wstring column(std::wstring text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), L' ');
    return text;
}

std::wstring fixed(double value) {
    std::wostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    out << value;
    return out.str();
}

void report_methods(const std::string& package) {
    console::line(column(L"method", 10) + column(L"entries", 9) + column(L"packed", 14) + L"decoded");
    for (const auto& item : list_methods(package)) {
        console::line(column(method_name(item.first), 10) + column(std::to_wstring(item.second.entries), 9) +
                      column(std::to_wstring(item.second.packed), 14) + std::to_wstring(item.second.decoded));
    }
}

int check(const Options& options) {
    std::string package;
    if (options.package.find(L"://") != std::wstring::npos) {
        console::line(L"download  " + options.package);
        int last = -1;
        package = download_package_from(options.package, [&last](int value) {
            if (value == PROGRESS_ASK_ONLY) return true;
            if (value != last) console::line(L"progress  " + std::to_wstring(value));
            last = value;
            return true;
        });
    } else {
        package = read_package_file(options.package);
    }
    console::line(L"package   " + options.package + L" (" + std::to_wstring(package.size()) + L" bytes)");

    const auto quiet = [](int) { return true; };
    const auto read_start = std::chrono::steady_clock::now();
    unpack_package(package, quiet, options.threads);
    const double read_ms = milliseconds_since(read_start);

    std::uint64_t decoded = 0;
    int folders = 0;
    bool launcher = false;
    for (const FileData& file : unpacked_files) {
        decoded += file.data.size();
        if (!file.path.empty() && file.path.back() == L'\\') ++folders;
        if (same_path(file.path, LAUNCHER_PATH)) launcher = true;
    }
    report_methods(package);
    console::line(L"entries   " + std::to_wstring(unpacked_files.size()) + L" (" + std::to_wstring(folders) +
                  L" folders)");
    console::line(L"decoded   " + std::to_wstring(decoded) + L" bytes in " + fixed(read_ms) + L" ms");
    if (options.extract) {
        const auto write_start = std::chrono::steady_clock::now();
        write_files(options.target, quiet, options.threads);
        console::line(L"written   below " + options.target + L" in " + fixed(milliseconds_since(write_start)) +
                      L" ms");
    }
    console::line(L"launcher  " + LAUNCHER_PATH + (launcher ? L" present" : L" MISSING"));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    console::start();
    Options options;
    if (!parse(console::arguments(argc, argv), options)) {
        console::line(kUsage);
        return 2;
    }
    try {
        return check(options);
    } catch (...) {
        console::line(describe_current_exception());
        return 1;
    }
}
