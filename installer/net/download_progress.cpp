#include "installer/net/download_progress.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cwchar>
#include <stdexcept>

std::uint32_t parse_content_length(const std::wstring& text) {
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(begin, &end, 10);
    // The whole text must be the number: an embedded NUL ends wcstoll, not the header.
    if (end == begin || end != begin + text.size()) throw std::runtime_error("Invalid Content-Length");
    if (errno == ERANGE || value < 0 || value > 0xFFFFFFFFLL) throw std::runtime_error("Invalid Content-Length");
    return static_cast<std::uint32_t>(value);
}

void DownloadProgress::report(std::uint64_t received) {
    if (total_ == 0) {
        if (!progress_(PROGRESS_ASK_ONLY)) throw std::runtime_error("User cancelled download");
        return;
    }
    const double ratio = static_cast<double>(static_cast<std::uint32_t>(received)) / static_cast<double>(total_);
    // A body far longer than announced must not push the conversion out of int's range.
    const double scaled = std::min(ratio * DOWNLOAD_PROGRESS_SPAN, static_cast<double>(INT32_MAX));
    const auto value = static_cast<std::int32_t>(scaled);
    if (value == last_reported_) return;
    last_reported_ = value;
    if (!progress_(value)) throw std::runtime_error("User cancelled download");
}

void DownloadProgress::finish() {
    if (total_ == 0) progress_(progress_stage::DONE);
}
