#include "installer/system/win32/process.h"

#include "installer/system/win32/handles.h"

bool start_detached_process(const std::wstring& program, std::wstring command_line, const std::wstring& folder,
                            DWORD creation_flags, bool hidden) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (hidden) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION process = {};
    // CreateProcessW may write into the command line, so it gets its own copy.
    if (!CreateProcessW(program.c_str(), &command_line[0], nullptr, nullptr, FALSE, creation_flags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    base::UniqueHandle owned_process(process.hProcess);
    base::UniqueHandle owned_thread(process.hThread);
    return true;
}
