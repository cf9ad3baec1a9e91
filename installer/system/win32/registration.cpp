#include "installer/system/registration.h"

#include <shlwapi.h>

#include <mutex>
#include <vector>

#include "installer/base/config/product.h"
#include "installer/base/errors.h"
#include "installer/base/paths.h"
#include "installer/system/win32/file_security.h"
#include "installer/system/win32/handles.h"
#include "installer/system/win32/registry_key.h"

namespace {

void set_text(HKEY key, const wchar_t* name, const std::wstring& text) {
    // The data includes its terminating zero.
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

}  // namespace

base::RegKey open_uninstall_key() {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        throw_if_failed("uninstall.reg",
                        boost::system::error_code(static_cast<int>(status), boost::system::system_category()));
    return base::RegKey(key);
}

void register_uninstall(std::wstring install_dir) {
    // The key first: a failure leaves nothing written.
    const base::RegKey key = open_uninstall_key();
    const std::wstring dir = with_trailing_backslash(std::move(install_dir));
    const std::wstring icon = dir + LAUNCHER_ICON;
    // Quoted, or the program list would split a path with spaces into program and arguments.
    const std::wstring uninstall = L"\"" + dir + UNINSTALLER_FILE_NAME + L"\"";
    set_text(key.get(), L"DisplayName", DISPLAY_NAME);
    set_text(key.get(), L"DisplayIcon", icon);
    set_text(key.get(), L"UninstallString", uninstall);
    set_text(key.get(), L"InstallLocation", dir);
    set_text(key.get(), L"Publisher", PUBLISHER);
    set_text(key.get(), L"URLInfoAbout", HOME_URL);
}

namespace {

// The copy carries its protected access list from the moment it exists: made with it,
// then filled through the same handle, so there is no moment in which the file is open to
// others and no second lookup by name that a swapped path could answer.
bool write_protected_copy(const std::wstring& source, const std::wstring& target) {
    const SecurityDescriptor descriptor = administrators_only_descriptor();
    if (!descriptor) return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    const base::UniqueHandle from(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return false;
    base::UniqueHandle to(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, 0, &attributes, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!to) return false;  // e.g. the owner is refused to a user who is no administrator
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        DWORD got = 0, put = 0;
        bool failed = !ReadFile(from.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
        if (!failed && got == 0) return true;
        failed = failed || !WriteFile(to.get(), buffer.data(), got, &put, nullptr) || put != got;
        if (failed) {
            // No half copy is left for the program list to start.
            FILE_DISPOSITION_INFO disposition = {};
            disposition.DeleteFile = TRUE;
            SetFileInformationByHandle(to.get(), FileDispositionInfo, &disposition, sizeof disposition);
            return false;
        }
    }
}

}  // namespace

void copy_self(std::wstring install_dir) {
    const std::wstring target = join_path(std::move(install_dir), UNINSTALLER_FILE_NAME);
    // A file that a standard user placed there first may carry an access list that keeps
    // the copy out; the folder's own rights let an administrator remove it.
    DeleteFileW(target.c_str());
    if (write_protected_copy(own_module_path(), target)) return;
    // Where the list cannot go with the new file, it follows the copy as before.
    if (CopyFileW(own_module_path().c_str(), target.c_str(), FALSE)) restrict_to_administrators(target);
}

void unregister_uninstall() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str()); }

const std::wstring& own_module_path() {
    static const std::wstring path = [] {
        wchar_t buffer[1024] = {};
        const DWORD length = GetModuleFileNameW(nullptr, buffer, 1024);
        return std::wstring(buffer, length < 1024 ? length : 1023);
    }();
    return path;
}
