// check_entry_paths on lists of UTF-8 names (one per line, '/' turned into '\\' as the
// unpack does), against a plain reference built another way: the paths' canonical
// components sorted as sequences, where every path that lies inside a file sorts right
// after that file. The tree must reach the same verdict, and the order of the entries
// must not change it. The reference stays near linear so long names run quickly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

#include <boost/system/system_error.hpp>

#include "installer/base/utf8.h"
#include "installer/package/entry_paths.h"

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

struct Entry {
    std::vector<std::wstring> parts;
    bool directory;
};

bool starts_with(const std::vector<std::wstring>& path, const std::vector<std::wstring>& prefix) {
    return path.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

std::string reference(const std::vector<FileData>& files) {
    for (const FileData& file : files)
        if (!is_safe_entry_path(file.path)) return "zip.name";
    std::vector<Entry> entries;
    for (const FileData& file : files) {
        Entry entry{components(file.path), file.path.empty() || file.path.back() == L'\\'};
        if (!entry.parts.empty()) entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.parts < b.parts; });
    // A file clashes with an entry of the same path (file or folder), or with any path
    // below it; the first different path after it is below it if any is.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].directory) continue;
        if (i > 0 && entries[i - 1].parts == entries[i].parts) return "zip.duplicate";
        if (i + 1 < entries.size() && starts_with(entries[i + 1].parts, entries[i].parts)) return "zip.duplicate";
    }
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
