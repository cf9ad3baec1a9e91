#include "installer/system/launcher.h"

#include "installer/app/config/product.h"
#include "installer/system/paths.h"

std::wstring launcher_executable(const std::wstring& install_dir) {
    return with_trailing_backslash(install_dir) + LAUNCHER_PATH;
}
