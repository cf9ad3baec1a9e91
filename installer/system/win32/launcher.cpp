#include "installer/system/launcher.h"

#include "installer/system/win32/process.h"

bool start_launcher(const std::wstring& install_dir, Elevation elevation) {
    const std::wstring executable = launcher_executable(install_dir);
    // The shell would show its own error box for a missing file; nothing is shown here.
    const DWORD attributes = GetFileAttributesW(executable.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return start_as_desktop_user(executable, install_dir,
                                 [&] {
                                     // Quoted: a directory with spaces must not be split into a
                                     // program and arguments.
                                     return start_detached_process(executable, L"\"" + executable + L"\"",
                                                                   install_dir, CREATE_DEFAULT_ERROR_MODE, false);
                                 },
                                 elevation) != StartRoute::none;
}
