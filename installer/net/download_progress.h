#pragma once
// Progress of a download on the install's scale: the body takes 0 to 80.
#include <cstdint>
#include <string>

#include "installer/base/progress.h"

constexpr int DOWNLOAD_PROGRESS_SPAN = progress_stage::DOWNLOADED;

// The announced body length from the Content-Length header text: decimal, leading white
// space and one sign allowed, nothing after the digits. Throws std::runtime_error
// "Invalid Content-Length" otherwise, and for a negative length or one that does not fit
// 32 bits (no package is that large, and its low bits would announce a wrong length).
std::uint32_t parse_content_length(const std::wstring& text);

// Reports received / total * 80 whenever the integer value changes (past 80 when the body
// is longer than announced, saturating at INT32_MAX); with no length (total 0) one
// PROGRESS_ASK_ONLY per block, so that a stop request ends the download, and one 100 at
// the end.
class DownloadProgress {
public:
    DownloadProgress(std::uint32_t total, const ProgressFn& progress) : total_(total), progress_(progress) {}

    // Throws std::runtime_error "User cancelled download" when the callback answers false.
    void report(std::uint64_t received);

    // The body starts again from its first byte (the server sent a new whole file): the
    // next report may be lower than the last one, once.
    void restart(std::uint32_t total) {
        total_ = total;
        last_reported_ = -1;
    }

    // After the last read: the single 100 of a download without length; its answer is ignored.
    void finish();

private:
    std::uint32_t total_;
    const ProgressFn& progress_;
    std::int32_t last_reported_ = -1;
};
