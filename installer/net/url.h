#pragma once
// Splitting a download URL into what WinHttpConnect and WinHttpOpenRequest take.
#include <string>

struct UrlParts {
    std::wstring scheme;  // lower-cased
    std::wstring host;    // unchanged; a ":port" suffix stays part of the name
    std::wstring path;    // from the first "/" after the host, query included; "/" if none
    bool secure = false;  // https
};

// Throws std::runtime_error "Invalid URL: no '://'" when the URL has no "://", and
// "Unsupported protocol (only http/https)" for any other scheme.
UrlParts split_url(const std::wstring& url);
