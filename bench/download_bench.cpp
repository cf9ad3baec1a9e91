// Loopback download speed and peak memory of download_package_from.
// Usage: download_bench URL   (the server of bench/download_bench.sh)
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "installer/net/download.h"
#include "bench/process_probe.h"


int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: download_bench URL\n");
        return 2;
    }
    const std::string narrow = argv[1];
    const std::wstring url(narrow.begin(), narrow.end());
    try {
        const auto start = std::chrono::steady_clock::now();
        const std::string body = download_package_from(url, [](int) { return true; });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double mib = body.size() / 1048576.0;
        const double peak = peak_memory_bytes() / 1048576.0;
        std::printf("| download_package | %.0f MiB | %.1f MB/s | peak %.1f MiB (body + %.1f MiB) |\n", mib,
                    body.size() / seconds / 1e6, peak, peak - mib);
    } catch (const std::exception& e) {
        std::printf("download_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
