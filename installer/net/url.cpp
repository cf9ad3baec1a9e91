#include "installer/net/url.h"

#include <cwctype>
#include <stdexcept>

UrlParts split_url(const std::wstring& url) {
    const auto separator = url.find(L"://");
    if (separator == std::wstring::npos) throw std::runtime_error("Invalid URL: no '://'");

    UrlParts parts;
    parts.scheme = url.substr(0, separator);
    const std::wstring rest = url.substr(separator + 3);
    const auto slash = rest.find(L'/');
    if (slash == std::wstring::npos) {
        parts.host = rest;
        parts.path = L"/";
    } else {
        parts.host = rest.substr(0, slash);
        parts.path = rest.substr(slash);
    }

    for (auto& c : parts.scheme) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    if (parts.scheme == L"https") {
        parts.secure = true;
    } else if (parts.scheme != L"http") {
        throw std::runtime_error("Unsupported protocol (only http/https)");
    }
    return parts;
}
