// Whatever name this DLL was copied under, loading it leaves "<its path>.loaded" beside
// it, holding the loading process's command line. DllMain may only call kernel32, and
// does.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyW(path + length, L".loaded");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return TRUE;
    const wchar_t* command = GetCommandLineW();
    DWORD written = 0;
    WriteFile(marker, command, static_cast<DWORD>(lstrlenW(command) * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(marker);
    return TRUE;
}
