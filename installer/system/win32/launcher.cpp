#include "installer/system/launcher.h"

#include "installer/system/win32/handles.h"

bool start_launcher(const std::wstring& install_dir) {
    const std::wstring executable = launcher_executable(install_dir);
    // Quoted: a directory with spaces must not be split into a program and arguments.
    std::wstring command_line = L"\"" + executable + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(executable.c_str(), &command_line[0], nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE, nullptr,
                        install_dir.empty() ? nullptr : install_dir.c_str(), &startup, &process))
        return false;
    base::UniqueHandle owned_process(process.hProcess);
    base::UniqueHandle owned_thread(process.hThread);
    return true;
}
