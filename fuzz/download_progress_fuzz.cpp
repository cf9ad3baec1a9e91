// The Content-Length parser and the download's progress arithmetic on arbitrary input:
// a length is either refused with the one message or the exact decimal value below
// 2^32; progress never repeats a value, never leaves 0..INT32_MAX, and without a length
// only asks until the final 100.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/net/download_progress.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The reference reading of a header: optional white space, one sign, decimal digits,
// nothing after. -1 for text that is not such a number or lies outside 0..2^32-1.
long long reference_length(const std::wstring& text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || (text[at] >= L'\t' && text[at] <= L'\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    if (at == text.size()) return -1;
    unsigned long long value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9') return -1;
        value = value * 10 + static_cast<unsigned>(text[at] - L'0');
        if (value > 0xFFFFFFFFull) return -1;
    }
    return negative && value != 0 ? -1 : static_cast<long long>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t text_size = data[0] % 24;
    if (size < 1 + text_size) return 0;
    std::wstring text;
    for (std::size_t i = 0; i < text_size; ++i) text += static_cast<wchar_t>(data[1 + i]);

    std::uint32_t total = 0;
    const long long expected = reference_length(text);
    try {
        total = parse_content_length(text);
        check(expected >= 0 && total == static_cast<unsigned long long>(expected));
    } catch (const std::runtime_error& e) {
        check(expected < 0 && std::strcmp(e.what(), "Invalid Content-Length") == 0);
        return 0;
    }

    std::vector<int> values;
    const ProgressFn record = [&values](int v) {
        values.push_back(v);
        return true;
    };
    DownloadProgress progress(total, record);
    std::uint64_t received = 0;
    for (std::size_t at = 1 + text_size; at + 4 <= size; at += 4) {
        std::uint32_t block;
        std::memcpy(&block, data + at, 4);
        received += block;
        progress.report(received);
    }
    progress.finish();
    int last = INT_MIN;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int v = values[i];
        if (total == 0) {
            check(i + 1 == values.size() ? v == 100 : v == PROGRESS_ASK_ONLY);
        } else {
            check(v >= 0 && v != last);
            last = v;
        }
    }
    return 0;
}
