#include "installer/system/removal.h"

#include "installer/base/config/product.h"
#include "installer/base/paths.h"
#include "installer/system/registration.h"
#include "installer/system/self_delete_script.h"
#include "installer/system/shortcuts.h"
#include "installer/system/win32/handles.h"
#include "installer/system/win32/process.h"

std::atomic<std::int32_t> deleted_file_count{0};

namespace {

bool is_link(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The object at path itself, never what a link there points to. Without FILE_SHARE_DELETE
// nobody can rename or delete it, and so swap it for a link, while the handle is held.
base::UniqueHandle open_unfollowed(const std::wstring& path, DWORD access) {
    return base::UniqueHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                          nullptr));
}

DWORD attributes_of(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION info = {};
    return GetFileInformationByHandle(object, &info) ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

// Marks what the handle holds for deletion, whatever its path names by then; it goes when
// the last handle to it is closed. A folder that is not empty refuses.
bool delete_by_handle(HANDLE object) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(object, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// The folder or link at path itself, never what a link points to.
void remove_folder_itself(const std::wstring& path) {
    {
        const base::UniqueHandle folder = open_unfollowed(path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
        if (folder && delete_by_handle(folder.get())) return;
    }
    RemoveDirectoryW(path.c_str());
}

void remove_file(const std::wstring& path) {
    const base::UniqueHandle file = open_unfollowed(path, DELETE | FILE_READ_ATTRIBUTES);
    // A file symbolic link is deleted as the link itself; a read-only file refuses.
    if (file && !(attributes_of(file.get()) & FILE_ATTRIBUTE_DIRECTORY)) delete_by_handle(file.get());
}

bool is_dot_name(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

bool write_whole_file(const std::wstring& path, const char* data, DWORD size) {
    const base::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file.get(), data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

std::wstring system_cmd_path() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\cmd.exe";
}

}  // namespace

void remove_tree(const std::wstring& folder_in, const RemovalProgressFn& progress) {
    {
        // Held while listed, so that it stays the folder that was checked. (Delete access
        // would keep Wine from listing it.)
        base::UniqueHandle held = open_unfollowed(folder_in, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
        // A link is removed as a link; emptying it would delete what it points to. Both
        // the path and, where it can be opened, the handle must say it is a plain folder.
        if (is_link(GetFileAttributesW(folder_in.c_str())) || (held && is_link(attributes_of(held.get())))) {
            held.reset();  // it shares no deletion, so the link's removal would be refused
            remove_folder_itself(folder_in);
            return;
        }
        const std::wstring folder = with_trailing_backslash(folder_in);
        WIN32_FIND_DATAW entry;
        const base::FindHandle listing(FindFirstFileW((folder + L"*").c_str(), &entry));
        if (listing) {
            do {
                const std::wstring path = folder + entry.cFileName;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (!is_dot_name(entry.cFileName)) remove_tree(path, progress);
                } else {
                    remove_file(path);
                    const std::int32_t count = ++deleted_file_count;
                    if (progress) progress(count / 10000.0);
                }
            } while (FindNextFileW(listing.get(), &entry));
        }
    }
    remove_folder_itself(folder_in);
}

namespace {

// Whether a folder above folder is a link (a junction, mount point or symbolic link). The
// walk ends below the drive's root ("C:\\").
bool inside_a_link(const std::wstring& folder) {
    std::wstring above = folder;
    while (!above.empty() && (above.back() == L'\\' || above.back() == L'/')) above.pop_back();
    for (;;) {
        const std::size_t cut = above.find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut <= 2) return false;
        above.resize(cut);
        if (is_link(GetFileAttributesW(above.c_str()))) return true;
    }
}

}  // namespace

void remove_installation(const std::wstring& folder, const RemovalProgressFn& progress) {
    // A folder above that is a link may lead anywhere, chosen by whoever could make it.
    if (!inside_a_link(folder)) remove_tree(folder, progress);
    const std::wstring desktop = desktop_shortcut_path();
    if (!desktop.empty()) DeleteFileW(desktop.c_str());
    unregister_uninstall();
    self_remove(folder);
}

void self_remove(const std::wstring& folder) { self_remove_for(own_module_path(), folder); }

std::wstring self_delete_command_line(const std::wstring& cmd_path, const std::wstring& script_path,
                                      const std::wstring& program_path) {
    return L"\"" + cmd_path + L"\" /d /c \"\"" + script_path + L"\" \"" + program_path + L"\"\"";
}

void self_remove_for(const std::wstring& own_path, const std::wstring& folder) {
    if (!runs_from_folder(own_path, folder)) return;
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return;
    const std::wstring temp_folder(temp, length);
    const std::wstring script = temp_folder + SELF_DELETE_SCRIPT_NAME;
    if (!write_whole_file(script, SELF_DELETE_SCRIPT, static_cast<DWORD>(SELF_DELETE_SCRIPT_SIZE))) return;
    const std::wstring cmd = system_cmd_path();
    if (cmd.empty()) return;
    start_detached_process(cmd, self_delete_command_line(cmd, script, own_path), temp_folder,
                           CREATE_NO_WINDOW | IDLE_PRIORITY_CLASS, true);
}
