// Loopback download speed and peak memory: the downloader against the plainest WinHTTP
// loop this platform allows (one synchronous GET, the body reserved once from its length,
// each read as large as WinHttpQueryDataAvailable says, straight into the body).
// Usage: download_bench downloader|plain URL   (the server of bench/download_bench.sh)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "bench/process_probe.h"
#include "installer/net/download.h"
#include "installer/net/url.h"
#include "installer/net/win32/internet_handle.h"
#include "installer/net/win32/winhttp_api.h"

namespace {

std::string plain_loop(const std::wstring& url) {
    const UrlParts parts = split_url(url);
    const WinHttpApi& api = winhttp_api();
    InternetHandle session(api.open(L"bench", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
    InternetHandle connection(api.connect(session.get(), parts.host.c_str(), INTERNET_DEFAULT_HTTP_PORT, 0));
    InternetHandle request(api.open_request(connection.get(), L"GET", parts.path.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request ||
        !api.send_request(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !api.receive_response(request.get(), nullptr))
        throw std::runtime_error("plain loop: no response");
    wchar_t length[32] = {};
    DWORD size = sizeof length;
    api.query_headers(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length, &size,
                      WINHTTP_NO_HEADER_INDEX);
    std::string body;
    body.reserve(std::wcstoul(length, nullptr, 10));
    for (;;) {
        DWORD available = 0;
        if (!api.query_data_available(request.get(), &available)) throw std::runtime_error("plain loop: query failed");
        if (available == 0) break;
        const std::size_t at = body.size();
        body.resize(at + available);
        DWORD read = 0;
        if (!api.read_data(request.get(), &body[at], available, &read))
            throw std::runtime_error("plain loop: read failed");
        body.resize(at + read);
    }
    return body;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "downloader") != 0 && std::strcmp(argv[1], "plain") != 0)) {
        std::fprintf(stderr, "usage: download_bench downloader|plain URL\n");
        return 2;
    }
    const bool plain = std::strcmp(argv[1], "plain") == 0;
    const std::string narrow = argv[2];
    const std::wstring url(narrow.begin(), narrow.end());
    try {
        const auto start = std::chrono::steady_clock::now();
        const std::string body = plain ? plain_loop(url) : download_package_from(url, [](int) { return true; });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double mib = body.size() / 1048576.0;
        const double peak = peak_memory_bytes() / 1048576.0;
        std::printf("| %s | %.0f MiB | %.1f MB/s | %.1f MiB (body + %.1f MiB) |\n",
                    plain ? "plain WinHTTP loop" : "download_package", mib, body.size() / seconds / 1e6, peak,
                    peak - mib);
    } catch (const std::exception& e) {
        std::printf("download_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
