#include "installer/system/launcher.h"

#include "installer/system/win32/process.h"

bool start_launcher(const std::wstring& install_dir) {
    const std::wstring executable = launcher_executable(install_dir);
    // Quoted: a directory with spaces must not be split into a program and arguments.
    return start_detached_process(executable, L"\"" + executable + L"\"", install_dir, CREATE_DEFAULT_ERROR_MODE, false);
}
