#include "installer/package/file_writer.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "installer/base/win32/scoped.h"
#include "installer/package/win32/install_folder_security.h"

namespace file_writer {
namespace {

boost::system::error_code last_error() {
    return boost::system::error_code(static_cast<int>(GetLastError()),
                                     boost::system::system_category());
}

}  // namespace

const char* make_directory(const std::wstring& full_path, boost::system::error_code& code, bool guarded) {
    if (guarded) {
        const base::LocalMemory<PSECURITY_DESCRIPTOR> descriptor = install_folder_descriptor();
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
        if (descriptor && CreateDirectoryW(full_path.c_str(), &attributes)) return nullptr;
    }
    if (CreateDirectoryW(full_path.c_str(), nullptr)) return nullptr;
    code = last_error();
    return "md";
}

bool is_directory(const std::wstring& full_path) {
    return PathIsDirectoryW(full_path.c_str()) != FALSE;
}

bool is_link(const std::wstring& full_path, boost::system::error_code& refusal) {
    const DWORD attributes = GetFileAttributesW(full_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    refusal = boost::system::error_code(ERROR_CANT_ACCESS_FILE, boost::system::system_category());
    return true;
}

namespace {

// Writing into a file that has other names would change it under those names too.
void unlink_if_shared(const std::wstring& full_path) {
    bool shared = false;
    {
        const base::UniqueHandle file(CreateFileW(full_path.c_str(), FILE_READ_ATTRIBUTES,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        BY_HANDLE_FILE_INFORMATION info = {};
        shared = file && GetFileInformationByHandle(file.get(), &info) && info.nNumberOfLinks > 1;
    }
    if (shared) DeleteFileW(full_path.c_str());
}

}  // namespace

const char* write_file(const std::wstring& full_path, const std::string& data,
                       boost::system::error_code& code) {
    unlink_if_shared(full_path);
    const base::UniqueHandle file(CreateFileW(full_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        code = last_error();
        return "fo";
    }
    std::size_t written = 0;
    while (written < data.size()) {
        // One call offers everything left; the DWORD count caps a single offer.
        const DWORD offer = static_cast<DWORD>(
            std::min<std::size_t>(data.size() - written, 0xFFFFFFFFu));
        DWORD done = 0;
        if (!WriteFile(file.get(), data.data() + written, offer, &done, nullptr)) {
            code = last_error();
            return "fw";
        }
        if (done == 0) {
            code = boost::system::error_code(0, boost::system::system_category());
            return "fw";
        }
        written += done;
    }
    code.clear();
    return nullptr;
}

}  // namespace file_writer
