#include "installer/package/entry_paths.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <unordered_map>

#include <boost/system/error_code.hpp>
#include <boost/system/system_error.hpp>

#include "installer/package/upcase.h"

namespace {

const char* const kUnsafeName = "zip.name";
const char* const kDuplicateName = "zip.duplicate";

[[noreturn]] void refuse(boost::system::errc::errc_t reason, const char* identifier) {
    throw boost::system::system_error(boost::system::errc::make_error_code(reason), identifier);
}

// Calls visit(component) for each '\\'-separated component, empty ones included.
template <class Visit>
void for_each_component(const std::wstring& path, Visit&& visit) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        visit(path.substr(start, end - start));
        if (end == path.size()) return;
        start = end + 1;
    }
}

std::wstring without_trailing_dots_and_spaces(std::wstring name) {
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    return name;
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

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// COM and LPT ports are numbered 1 to 9, and also with the superscript digits ¹ ² ³.
bool is_port_number(wchar_t c) {
    return (c >= L'1' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

// Windows opens a device, not a file, for these names in any folder and with any
// extension ("nul.txt", "COM1 .log", "lpt².dat"): a file written there would be lost or
// sent to a port while the install reports success.
bool names_device(const std::wstring& component) {
    std::wstring base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    base = canonical_name(base);
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" ||
        base == L"CONIN$" || base == L"CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           is_port_number(base[3]);
}

// "LAUNCH~1.EXE": a base of at most 8 units ending in '~' and digits, then at most one
// dot and an extension of up to 3 units. Windows gives names of this form to files with
// long names as second names, and which long name gets which one depends on the order
// the files are created in and on the files already in the folder; an entry of this
// form could therefore land on another entry's file, so every such name is refused.
bool short_name_form(const std::wstring& component) {
    const std::wstring name = without_trailing_dots_and_spaces(component);
    const std::size_t dot = name.find(L'.');
    if (dot != std::wstring::npos) {
        const std::size_t extension = name.size() - dot - 1;
        if (extension > 3 || name.find(L'.', dot + 1) != std::wstring::npos) return false;
    }
    const std::size_t base = std::min(dot, name.size());
    if (base > 8) return false;
    std::size_t digits = 0;
    while (digits < base && is_digit(name[base - 1 - digits])) ++digits;
    return digits > 0 && digits < base && name[base - 1 - digits] == L'~';
}

// The entries' paths as a tree of canonical names, one node per file or folder: each
// component is hashed once under its parent, so memory and time follow the total
// length of the paths.
class NameTree {
public:
    void add(const std::wstring& path) {
        const bool directory = path.empty() || path.back() == L'\\';
        std::size_t parent = 0;  // the target directory
        std::wstring last;       // the last non-empty component seen, not placed yet
        for_each_component(path, [&](const std::wstring& component) {
            std::wstring name = canonical_name(component);
            if (name.empty()) return;
            if (!last.empty()) parent = enter_folder(parent, std::move(last));
            last = std::move(name);
        });
        // A path of separators and dots only names the target directory itself, which a
        // file entry cannot replace (the writer skips existing directories).
        if (last.empty()) return;
        if (directory) {
            enter_folder(parent, std::move(last));
        } else if (!nodes_.emplace(Key{parent, std::move(last)}, Node{next_id(), true}).second) {
            refuse(boost::system::errc::file_exists, kDuplicateName);
        }
    }

private:
    struct Key {
        std::size_t parent;
        std::wstring name;
        bool operator==(const Key& other) const { return parent == other.parent && name == other.name; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            return std::hash<std::wstring>()(key.name) ^ (key.parent * 0x9E3779B1u);
        }
    };
    struct Node {
        std::size_t id;
        bool file;
    };

    std::size_t next_id() const { return nodes_.size() + 1; }

    // The folder `name` below `parent`, made when new; a file of that name is a clash.
    std::size_t enter_folder(std::size_t parent, std::wstring name) {
        const Node& node = nodes_.emplace(Key{parent, std::move(name)}, Node{next_id(), false}).first->second;
        if (node.file) refuse(boost::system::errc::file_exists, kDuplicateName);
        return node.id;
    }

    std::unordered_map<Key, Node, KeyHash> nodes_;
};

}  // namespace

std::wstring canonical_name(const std::wstring& component) {
    std::wstring out = without_trailing_dots_and_spaces(component);
    for (wchar_t& c : out) {
        // Where wchar_t is wider than a UTF-16 unit, a value beyond one stays as it is.
        const auto unit = static_cast<std::uint16_t>(c);
        if (static_cast<wchar_t>(unit) == c) c = static_cast<wchar_t>(upcase_unit(unit));
    }
    return out;
}

bool is_safe_entry_path(const std::wstring& path) {
    if (!path.empty() && path.front() == L'\\') return false;
    for (wchar_t c : path)
        if (c == L':' || c == L'\0') return false;
    bool safe = true;
    for_each_component(path, [&](const std::wstring& component) {
        if (safe && (climbs(component) || names_device(component) || short_name_form(component)))
            safe = false;
    });
    return safe;
}

void check_entry_path(const std::wstring& path) {
    if (!is_safe_entry_path(path)) refuse(boost::system::errc::invalid_argument, kUnsafeName);
}

void check_entry_paths(const std::vector<FileData>& files) {
    for (const FileData& file : files) check_entry_path(file.path);
    NameTree tree;
    for (const FileData& file : files) tree.add(file.path);
}
