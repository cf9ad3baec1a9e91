#include <windows.h>

#include "installer/app/controller.h"
#include "installer/app/install_path.h"
#include "installer/base/config/product.h"
#include "installer/base/config/string_ids.h"
#include "installer/ui/control_names.h"

void Controller::compose_install_path() {
    install_dir_ = install_folder_prefix(install_dir_);
    window().set_text(control_name::PATH, install_dir_ + PRODUCT_NAME);
    refresh_disk_space();
}

void Controller::refresh_disk_space() {
    install_dir_ = window().get_text(control_name::PATH);
    const std::wstring root = drive_root_of(install_dir_);
    if (root.empty()) return;
    ULARGE_INTEGER free_bytes{};
    if (!GetDiskFreeSpaceExW(root.c_str(), nullptr, nullptr, &free_bytes)) return;
    available_gb_ = static_cast<int>(free_bytes.QuadPart >> 30);
    const std::wstring format = window().load_string(IDS_DISK_SPACE_FORMAT);
    // wsprintfW writes at most 1024 units plus the zero, whatever the format holds.
    wchar_t text[1025] = {};
    wsprintfW(text, format.c_str(), REQUIRED_GB, available_gb_);
    window().set_text(control_name::DISK_SIZE, text);
}
