#include <stdexcept>

#include "installer/net/download.h"
#include "installer/net/url.h"

// The transport is WinHTTP; the native build keeps the URL checks and nothing more.
std::string download_package_from(const std::wstring& url, const ProgressFn&) {
    split_url(url);
    throw std::runtime_error("URL downloads need the Windows build");
}
