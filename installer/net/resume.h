#pragma once
// How a download goes on after its body was cut off: the decisions, not the transport.
//
// A body that stops early (a failed or timed-out read, or a connection that ends before
// the announced length) after some bytes arrived is asked for again from where it stopped,
// with "Range: bytes=N-" and "If-Range: <validator>", so that a changed file comes back
// whole (200) instead of being spliced onto the old one. The validator is the first
// response's strong ETag, else its Last-Modified; with neither, or without a length,
// nothing can be continued safely.
#include <cstdint>
#include <string>

// Requests per download, the first one included.
constexpr int DOWNLOAD_ATTEMPTS = 5;

// The wait before the next request after `failed` requests have failed: 1, 2, 4, 8 s.
unsigned retry_wait_ms(int failed);

// The If-Range value for a response with these headers (either may be empty): a weak ETag
// ("W/...") cannot make a range conditional, so Last-Modified is used then. Empty: no
// continuation is possible.
std::wstring pick_validator(const std::wstring& etag, const std::wstring& last_modified);

// The request headers that ask for the rest of the body from byte `from` on.
std::wstring range_headers(std::uint64_t from, const std::wstring& validator);

// "bytes first-last/total" of a 206; false for any other form (also "*" for the total).
struct ContentRange {
    std::uint64_t first = 0, last = 0, total = 0;
};
bool parse_content_range(const std::wstring& text, ContentRange& range);

enum class RangeAnswer {
    append,                  // 206 for exactly the missing bytes of the same file
    start_over_with_this,    // 200: the file changed or ranges are not served; this is all of it
    start_over,              // a range the server cannot serve (416) or a 206 for other bytes
    try_again,               // any other status: the same request may succeed later
};
// Judges the answer to a continuation from byte `from` of a body of `total` bytes.
RangeAnswer judge_range_answer(unsigned long status, const std::wstring& content_range, std::uint64_t from,
                               std::uint32_t total);
