#include "installer/package/file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

void append_utf8(std::string& out, unsigned long c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// UTF-16 code units (one per wchar_t) to UTF-8 with '/' separators; a lone surrogate
// becomes U+FFFD.
std::string to_posix(const std::wstring& full_path) {
    std::string out;
    for (std::size_t i = 0; i < full_path.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(full_path[i]) & 0xFFFFu;
        if (c == L'\\') {
            out.push_back('/');
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < full_path.size()) {
            const unsigned long low = static_cast<unsigned long>(full_path[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low < 0xE000) {
                append_utf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        append_utf8(out, c);
    }
    return out;
}

boost::system::error_code last_error() {
    return boost::system::error_code(errno, boost::system::system_category());
}

}  // namespace

const char* make_directory(const std::wstring& full_path, boost::system::error_code& code) {
    if (::mkdir(to_posix(full_path).c_str(), 0777) == 0) return nullptr;
    code = last_error();
    return "md";
}

bool is_directory(const std::wstring& full_path) {
    struct stat info;
    return ::stat(to_posix(full_path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

const char* write_file(const std::wstring& full_path, const std::string& data,
                       boost::system::error_code& code) {
    FileDescriptor file(::open(to_posix(full_path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
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
