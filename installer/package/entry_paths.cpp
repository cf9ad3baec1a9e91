#include "installer/package/entry_paths.h"

#include <unordered_set>

#include <boost/system/error_code.hpp>
#include <boost/system/system_error.hpp>

namespace {

const char* const kUnsafeName = "zip.name";
const char* const kDuplicateName = "zip.duplicate";

std::vector<std::wstring> split_components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : path) {
        if (c == L'\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    parts.push_back(part);
    return parts;
}

// Windows drops trailing dots and spaces of a component, so "..", ". ." and "..." all
// climb out of the directory they are in.
bool climbs(const std::wstring& component) {
    int dots = 0;
    for (wchar_t c : component) {
        if (c == L'.') ++dots;
        else if (c != L' ') return false;
    }
    return dots >= 2;
}

// Windows opens a device, not a file, for these names in any folder and with any
// extension ("nul.txt", "COM1 .log"): a file written there would be lost or sent to a
// port while the install reports success.
bool names_device(const std::wstring& component) {
    std::wstring base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" ||
        base == L"CONIN$" || base == L"CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

// The name Windows opens for a component: trailing dots and spaces dropped, ASCII
// letters folded (the file system compares names without case).
std::wstring canonical_component(const std::wstring& component) {
    std::wstring out = component;
    while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    for (wchar_t& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

// Canonical components of a path ("." and empty components add nothing); for a file
// entry the last one is the file name.
std::vector<std::wstring> canonical_parts(const std::wstring& path, bool& is_directory) {
    is_directory = path.empty() || path.back() == L'\\';
    std::vector<std::wstring> parts;
    for (const std::wstring& component : split_components(path)) {
        std::wstring name = canonical_component(component);
        if (!name.empty()) parts.push_back(name);
    }
    return parts;
}

std::wstring join(const std::vector<std::wstring>& parts, std::size_t count) {
    std::wstring out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out.push_back(L'\\');
        out += parts[i];
    }
    return out;
}

[[noreturn]] void refuse(boost::system::errc::errc_t reason, const char* identifier) {
    throw boost::system::system_error(boost::system::errc::make_error_code(reason), identifier);
}

}  // namespace

bool is_safe_entry_path(const std::wstring& path) {
    if (!path.empty() && path.front() == L'\\') return false;
    for (wchar_t c : path)
        if (c == L':' || c == L'\0') return false;
    for (const std::wstring& component : split_components(path))
        if (climbs(component) || names_device(component)) return false;
    return true;
}

void check_entry_path(const std::wstring& path) {
    if (!is_safe_entry_path(path)) refuse(boost::system::errc::invalid_argument, kUnsafeName);
}

void check_entry_paths(const std::vector<FileData>& files) {
    for (const FileData& file : files) check_entry_path(file.path);

    std::unordered_set<std::wstring> file_names;
    std::unordered_set<std::wstring> folder_names;
    for (const FileData& file : files) {
        bool is_directory = false;
        const std::vector<std::wstring> parts = canonical_parts(file.path, is_directory);
        const std::size_t folders = is_directory || parts.empty() ? parts.size() : parts.size() - 1;
        for (std::size_t n = 1; n <= folders; ++n) folder_names.insert(join(parts, n));
        // A file entry whose name is only separators and dots writes onto the target
        // directory itself, which is skipped like any existing directory.
        if (!is_directory && !parts.empty() && !file_names.insert(join(parts, parts.size())).second)
            refuse(boost::system::errc::file_exists, kDuplicateName);
    }
    for (const std::wstring& name : file_names)
        if (folder_names.count(name)) refuse(boost::system::errc::file_exists, kDuplicateName);
}
