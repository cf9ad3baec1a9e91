#include "installer/app/install_path.h"

std::wstring install_folder_prefix(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\') folder += folder.size() == 1 ? L":\\" : L"\\";
    return folder;
}

std::wstring drive_root_of(const std::wstring& dir) {
    if (dir.size() < 3 || dir[1] != L':' || dir[2] != L'\\') return std::wstring();
    return std::wstring(1, dir[0]) + L":\\";
}
