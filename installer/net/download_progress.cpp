#include "installer/net/download_progress.h"

#include <cerrno>
#include <cwchar>
#include <stdexcept>

std::uint32_t parse_content_length(const std::wstring& text) {
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(begin, &end, 10);
    if (end == begin || *end != L'\0') throw std::runtime_error("Invalid Content-Length");
    return static_cast<std::uint32_t>(value);
}

void DownloadProgress::report(std::uint64_t received) {
    if (total_ == 0) return;
    const double ratio = static_cast<double>(static_cast<std::uint32_t>(received)) / static_cast<double>(total_);
    const auto value = static_cast<std::int32_t>(ratio * DOWNLOAD_PROGRESS_SPAN);
    if (value == last_reported_) return;
    last_reported_ = value;
    if (!progress_(value)) throw std::runtime_error("User cancelled download");
}

void DownloadProgress::finish() {
    if (total_ == 0) progress_(100);
}
