#include "installer/base/win32/system_library.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "installer/base/paths.h"

namespace base {
namespace {

// Windows 7 without its loader update rejects the flag with ERROR_INVALID_PARAMETER.
constexpr DWORD SEARCH_SYSTEM32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

HMODULE load_by_full_path(const wchar_t* file_name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = join_path(std::wstring(folder, length), file_name);
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

SystemLibrary::SystemLibrary(const wchar_t* file_name) : module_(LoadLibraryExW(file_name, nullptr, SEARCH_SYSTEM32)) {
    if (!module_ && GetLastError() == ERROR_INVALID_PARAMETER) module_.reset(load_by_full_path(file_name));
    if (!module_) error_ = GetLastError();
}

void preload_system_libraries(std::initializer_list<const wchar_t*> file_names) {
    static std::mutex guard;
    static std::vector<std::unique_ptr<SystemLibrary>> kept;
    const std::lock_guard<std::mutex> lock(guard);
    for (const wchar_t* name : file_names) {
        auto library = std::make_unique<SystemLibrary>(name);
        if (library->module()) kept.push_back(std::move(library));
    }
}

void restrict_dll_search() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set_directories = kernel ? reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
                                        GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                  : nullptr;
    if (set_directories) set_directories(SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");
}

}  // namespace base
