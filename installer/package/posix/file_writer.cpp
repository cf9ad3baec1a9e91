#include "installer/package/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "installer/base/utf8.h"

namespace file_writer {
namespace {

// Closes the descriptor on every path out of write_file.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const noexcept { return fd_; }

private:
    int fd_;
};

// UTF-8 with '/' separators; a lone surrogate becomes U+FFFD.
std::string to_posix(const std::wstring& full_path) {
    std::string out = utf16_to_utf8(full_path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

boost::system::error_code last_error() {
    return boost::system::error_code(errno, boost::system::system_category());
}

}  // namespace

// Access lists are the Windows side's; the mode is the process's usual.
const char* make_directory(const std::wstring& full_path, boost::system::error_code& code, bool) {
    if (::mkdir(to_posix(full_path).c_str(), 0777) == 0) return nullptr;
    code = last_error();
    return "md";
}

bool is_directory(const std::wstring& full_path) {
    struct stat info;
    return ::stat(to_posix(full_path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool is_link(const std::wstring& full_path, boost::system::error_code& refusal) {
    struct stat info;
    if (::lstat(to_posix(full_path).c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
    refusal = boost::system::error_code(ELOOP, boost::system::system_category());
    return true;
}

const char* write_file(const std::wstring& full_path, const std::string& data,
                       boost::system::error_code& code) {
    const std::string path = to_posix(full_path);
    // Writing into a file that has other names would change it under those names too.
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink > 1) ::unlink(path.c_str());
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (file.get() < 0) {
        code = last_error();
        return "fo";
    }
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t done = ::write(file.get(), data.data() + written, data.size() - written);
        if (done < 0) {
            if (errno == EINTR) continue;
            code = last_error();
            return "fw";
        }
        if (done == 0) {
            code = boost::system::error_code(0, boost::system::system_category());
            return "fw";
        }
        written += static_cast<std::size_t>(done);
    }
    code.clear();
    return nullptr;
}

}  // namespace file_writer
