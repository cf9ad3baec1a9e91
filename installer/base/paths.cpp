#include "installer/base/paths.h"

#include <algorithm>
#include <utility>

namespace {

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }
bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool is_letter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

std::wstring with_trailing_backslash(std::wstring dir) {
    if (!dir.empty() && dir.back() != L'\\') dir.push_back(L'\\');
    return dir;
}

std::wstring join_path(std::wstring folder, const std::wstring& name) {
    return with_trailing_backslash(std::move(folder)) + name;
}

bool is_absolute_windows_path(const std::wstring& path) {
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == L':' && is_separator(path[2]))
        return true;
    // \\server\share: both names present.
    if (path.size() < 5 || !is_separator(path[0]) || !is_separator(path[1])) return false;
    const auto server_end = std::find_if(path.begin() + 2, path.end(), is_separator);
    if (server_end == path.begin() + 2 || server_end == path.end()) return false;
    const auto share_begin = server_end + 1;
    return share_begin != path.end() && !is_separator(*share_begin);
}

bool runs_from_folder(std::wstring own_path, std::wstring folder) {
    std::replace(own_path.begin(), own_path.end(), L'/', L'\\');
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    const auto cut = own_path.rfind(L'\\');
    const std::wstring own_folder = cut == std::wstring::npos ? std::wstring() : own_path.substr(0, cut);
    return own_folder.size() == folder.size() &&
           std::equal(own_folder.begin(), own_folder.end(), folder.begin(),
                      [](wchar_t a, wchar_t b) { return ascii_upper(a) == ascii_upper(b); });
}
