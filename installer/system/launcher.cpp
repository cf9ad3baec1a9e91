#include "installer/system/launcher.h"

#include "installer/base/config/product.h"
#include "installer/base/paths.h"

std::wstring launcher_executable(const std::wstring& install_dir) {
    return join_path(install_dir, LAUNCHER_PATH);
}
