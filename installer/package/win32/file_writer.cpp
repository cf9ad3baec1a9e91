#include "installer/package/file_writer.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "installer/base/win32/scoped.h"

namespace file_writer {
namespace {

boost::system::error_code last_error() {
    return boost::system::error_code(static_cast<int>(GetLastError()),
                                     boost::system::system_category());
}

}  // namespace

const char* make_directory(const std::wstring& full_path, boost::system::error_code& code) {
    if (CreateDirectoryW(full_path.c_str(), nullptr)) return nullptr;
    code = last_error();
    return "md";
}

bool is_directory(const std::wstring& full_path) {
    return PathIsDirectoryW(full_path.c_str()) != FALSE;
}

const char* write_file(const std::wstring& full_path, const std::string& data,
                       boost::system::error_code& code) {
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
