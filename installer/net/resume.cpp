#include "installer/net/resume.h"

#include <cwctype>

unsigned retry_wait_ms(int failed) {
    if (failed < 1) return 0;
    const int doublings = failed > 4 ? 3 : failed - 1;
    return 1000u << doublings;
}

std::wstring pick_validator(const std::wstring& etag, const std::wstring& last_modified) {
    const bool weak = etag.size() >= 2 && (etag[0] == L'W' || etag[0] == L'w') && etag[1] == L'/';
    if (!etag.empty() && !weak) return etag;
    return last_modified;
}

std::wstring range_headers(std::uint64_t from, const std::wstring& validator) {
    return L"Range: bytes=" + std::to_wstring(from) + L"-\r\nIf-Range: " + validator + L"\r\n";
}

namespace {

// Digits only, no sign or space, and no more than fit: a header is not a C number.
bool take_number(const std::wstring& text, std::size_t& at, std::uint64_t& value) {
    const std::size_t begin = at;
    value = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
        const unsigned digit = static_cast<unsigned>(text[at] - L'0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
        ++at;
    }
    return at > begin;
}

bool take(const std::wstring& text, std::size_t& at, wchar_t c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

bool parse_content_range(const std::wstring& text, ContentRange& range) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
    static const std::wstring unit = L"bytes";
    for (wchar_t c : unit) {
        if (at >= text.size() || static_cast<wchar_t>(std::towlower(text[at])) != c) return false;
        ++at;
    }
    if (!take(text, at, L' ')) return false;
    while (at < text.size() && text[at] == L' ') ++at;
    ContentRange parsed;
    if (!take_number(text, at, parsed.first) || !take(text, at, L'-') || !take_number(text, at, parsed.last) ||
        !take(text, at, L'/') || !take_number(text, at, parsed.total))
        return false;
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
    if (at != text.size() || parsed.first > parsed.last || parsed.last >= parsed.total) return false;
    range = parsed;
    return true;
}

RangeAnswer judge_range_answer(unsigned long status, const std::wstring& content_range, std::uint64_t from,
                               std::uint32_t total) {
    if (status == 200) return RangeAnswer::start_over_with_this;
    if (status == 416) return RangeAnswer::start_over;
    if (status != 206) return RangeAnswer::try_again;
    ContentRange range;
    if (!parse_content_range(content_range, range)) return RangeAnswer::start_over;
    if (range.first != from || range.total != total || range.last + 1 != total) return RangeAnswer::start_over;
    return RangeAnswer::append;
}
