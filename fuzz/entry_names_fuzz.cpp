// check_entry_paths on lists of UTF-8 names (one per line, '/' turned into '\\' as the
// unpack does), against a plain reference: every path of a list is compared with every
// other by its canonical components, each folder prefix written out. The tree must reach
// the same verdict, and the order of the entries must not change it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <boost/system/system_error.hpp>

#include "installer/package/entry_paths.h"
#include "installer/package/utf8.h"

namespace {

std::string verdict(const std::vector<FileData>& files) {
    try {
        check_entry_paths(files);
    } catch (const boost::system::system_error& e) {
        return std::string(e.what()).substr(0, std::string(e.what()).find(':'));
    }
    return "ok";
}

// The canonical components of a path, "." and empty ones left out.
std::vector<std::wstring> components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        std::wstring name = canonical_name(path.substr(start, end - start));
        if (!name.empty()) parts.push_back(name);
        if (end == path.size()) return parts;
        start = end + 1;
    }
}

std::wstring join(const std::vector<std::wstring>& parts, std::size_t count) {
    std::wstring out;
    for (std::size_t i = 0; i < count; ++i) out += parts[i] + L'\\';
    return out;
}

std::string reference(const std::vector<FileData>& files) {
    for (const FileData& file : files)
        if (!is_safe_entry_path(file.path)) return "zip.name";
    std::multiset<std::wstring> file_paths;
    std::set<std::wstring> folder_paths;
    for (const FileData& file : files) {
        const std::vector<std::wstring> parts = components(file.path);
        const bool directory = file.path.empty() || file.path.back() == L'\\';
        if (parts.empty()) continue;
        const std::size_t folders = directory ? parts.size() : parts.size() - 1;
        for (std::size_t n = 1; n <= folders; ++n) folder_paths.insert(join(parts, n));
        if (!directory) file_paths.insert(join(parts, parts.size()));
    }
    for (const std::wstring& path : file_paths)
        if (file_paths.count(path) > 1 || folder_paths.count(path)) return "zip.duplicate";
    return "ok";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<FileData> files;
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t start = 0;
    while (start <= size && files.size() < 64) {
        std::size_t end = start;
        while (end < size && text[end] != '\n') ++end;
        std::wstring path = utf8_to_utf16(text + start, end - start);
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        files.push_back({path, std::string()});
        start = end + 1;
    }
    const std::string found = verdict(files);
    if (found != reference(files)) std::abort();
    const std::vector<FileData> reversed(files.rbegin(), files.rend());
    if (verdict(reversed) != found) std::abort();
    return 0;
}
