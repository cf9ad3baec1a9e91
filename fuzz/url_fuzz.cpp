// URL splitting on arbitrary text: either one of the two URL errors, or parts that put
// the URL back together exactly, with a lower-case scheme and a host without "/".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <stdexcept>
#include <string>

#include "installer/net/url.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::wstring lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks a start the mutations would seldom find alone; then an ASCII
    // byte is one code unit, any other byte and the next one make a 16-bit code unit.
    static const wchar_t* const starts[] = {L"", L"http://", L"https://", L"HtTpS://"};
    if (size == 0) return 0;
    std::wstring url = starts[data[0] % 4];
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] < 0x80 || i + 1 == size) {
            url.push_back(static_cast<wchar_t>(data[i]));
        } else {
            url.push_back(static_cast<wchar_t>(data[i] << 8 | data[i + 1]));
            ++i;
        }
    }

    const auto separator = url.find(L"://");
    UrlParts parts;
    try {
        parts = split_url(url);
    } catch (const std::runtime_error& e) {
        if (separator == std::wstring::npos) {
            check(std::strcmp(e.what(), "Invalid URL: no '://'") == 0);
        } else {
            check(std::strcmp(e.what(), "Unsupported protocol (only http/https)") == 0);
            const std::wstring scheme = lower(url.substr(0, separator));
            check(scheme != L"http" && scheme != L"https");
        }
        return 0;
    }
    check(separator != std::wstring::npos);
    check(parts.scheme == lower(url.substr(0, separator)));
    check(parts.scheme == L"http" || parts.scheme == L"https");
    check(parts.secure == (parts.scheme == L"https"));
    check(parts.host.find(L'/') == std::wstring::npos);
    check(!parts.path.empty() && parts.path[0] == L'/');
    const std::wstring rest = url.substr(separator + 3);
    if (rest.find(L'/') == std::wstring::npos)
        check(parts.host == rest && parts.path == L"/");
    else
        check(parts.host + parts.path == rest);
    return 0;
}
