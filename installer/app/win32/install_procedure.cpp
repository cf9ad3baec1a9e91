#include "installer/app/install_procedure.h"

#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "installer/base/config/product.h"
#include "installer/base/errors.h"
#include "installer/base/paths.h"
#include "installer/base/progress.h"
#include "installer/net/download.h"
#include "installer/package/unpack.h"
#include "installer/system/registration.h"
#include "installer/system/shortcuts.h"

namespace {

using Download = std::function<std::string(const ProgressFn&)>;

// "Launcher.lnk" in the install directory, with one backslash before it even for "D:\\".
std::wstring launcher_shortcut_path(const std::wstring& install_dir) {
    if (!install_dir.empty() && install_dir.back() == L'\\') return install_dir + LAUNCHER_SHORTCUT_SUFFIX.substr(1);
    return install_dir + LAUNCHER_SHORTCUT_SUFFIX;
}

std::wstring run_install(const Download& download, std::wstring install_dir, bool create_desktop_shortcut,
                         ProgressFn& progress) {
    std::wstring outcome;
    std::string package;
    try {
        // A relative or empty directory would put the files below whatever the current
        // directory happens to be, and register that.
        if (!is_absolute_windows_path(install_dir))
            throw std::runtime_error("Install directory is not an absolute path");
        package = download(progress);
        unpack_package(package, progress);
        write_files(install_dir, progress);
        progress(progress_stage::REGISTERING);
        register_uninstall(install_dir);
        progress(progress_stage::SHORTCUTS);
        if (create_desktop_shortcut) {
            const std::wstring desktop = desktop_shortcut_path();
            if (!desktop.empty()) create_shortcut(install_dir, desktop);
        }
        create_shortcut(install_dir, launcher_shortcut_path(install_dir));
        progress(progress_stage::UNINSTALLER);
        copy_self(install_dir);
        progress(progress_stage::DONE);
    } catch (...) {
        try {
            outcome = describe_current_exception();
        } catch (...) {  // no memory left even for the text: still an outcome, never a throw
            return L"UNKNOWN_ERROR";
        }
    }
    // The package and the decoded files go before the launcher starts and the window
    // closes, not at the process's end.
    std::string().swap(package);
    std::vector<FileData>().swap(unpacked_files);
    return outcome;
}

}  // namespace

std::wstring install_procedure(std::wstring install_dir, bool create_desktop_shortcut, ProgressFn& progress) {
    return run_install([](const ProgressFn& report) { return download_package(report); }, std::move(install_dir),
                       create_desktop_shortcut, progress);
}

std::wstring install_procedure_from(const std::wstring& url, std::wstring install_dir,
                                    bool create_desktop_shortcut, ProgressFn& progress) {
    return run_install([&url](const ProgressFn& report) { return download_package_from(url, report); },
                       std::move(install_dir), create_desktop_shortcut, progress);
}
