// Decoder speeds (deflate, bzip2) and the whole unpack of a generated package on one
// thread and on all, with the process's peak memory against package + decoded size, and
// what the CRC-32 check of every decoded entry costs of the unpack.
//   unpack_bench [--entries N] [--entry-kib K]      (default 240 entries of 640 KiB)
#include <bzlib.h>
#include <miniz.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/package/crc32.h"
#include "installer/package/decoders.h"
#include "installer/package/parallel.h"
#include "installer/package/unpack.h"
#include "bench/process_probe.h"
#include "tests/support/zip_builder.h"


namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Game-data-like content: text runs, repeated records and noise; about 3:1 in deflate.
std::string make_content(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    static const char* const words[] = {"texture", "mesh", "sound", "level", "shader", "unit", "frame", "cache"};
    std::string out;
    out.reserve(size + 64);
    while (out.size() < size) {
        switch (rng() % 3) {
            case 0:
                out += words[rng() % 8];
                out += '=' + std::to_string(rng() % 100000) + '\n';
                break;
            case 1: out.append(1 + rng() % 48, static_cast<char>(rng())); break;
            default:
                for (int k = 0, n = 1 + static_cast<int>(rng() % 24); k < n; ++k) out.push_back(static_cast<char>(rng()));
        }
    }
    out.resize(size);
    return out;
}

std::string deflate_raw(const std::string& data) {
    std::size_t size = 0;
    void* packed = tdefl_compress_mem_to_heap(data.data(), data.size(), &size, 1);  // fast level, raw
    if (!packed) throw std::runtime_error("deflate failed");
    std::string out(static_cast<const char*>(packed), size);
    mz_free(packed);
    return out;
}

std::string bzip2_pack(const std::string& data) {
    std::string out(data.size() + data.size() / 100 + 600, '\0');
    unsigned int size = static_cast<unsigned int>(out.size());
    if (BZ2_bzBuffToBuffCompress(&out[0], &size, const_cast<char*>(data.data()),
                                 static_cast<unsigned int>(data.size()), 9, 0, 0) != BZ_OK)
        throw std::runtime_error("bzip2 failed");
    out.resize(size);
    return out;
}

struct PackageStats {
    std::string bytes;
    std::uint64_t decoded = 0;
    int entries = 0;
};

// Three deflate entries to one bzip2 entry, generated and compressed one at a time so
// only the package itself stays in memory.
PackageStats make_package(int entries, std::size_t entry_size) {
    PackageStats stats;
    test_support::ZipBuilder builder;
    for (int i = 0; i < entries; ++i) {
        const std::string content = make_content(entry_size, static_cast<std::uint32_t>(i + 1));
        const bool bzip2 = i % 4 == 3;
        test_support::ZipEntry entry;
        entry.name = "data/part" + std::to_string(i) + ".bin";
        entry.data = bzip2 ? bzip2_pack(content) : deflate_raw(content);
        entry.method = bzip2 ? 12 : 8;
        entry.uncompressed = static_cast<std::int64_t>(content.size());
        entry.crc = test_support::crc32_of(content);
        builder.add(entry);
        stats.decoded += content.size();
    }
    stats.bytes = builder.finish();
    stats.entries = entries;
    return stats;
}

using Decoder = const char* (*)(std::string&, std::uint32_t, boost::system::error_code&);

// MB/s of decoded output, best of three.
double decode_speed(Decoder decode, const std::string& packed, std::size_t size) {
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        std::string data = packed;
        boost::system::error_code code;
        const auto start = Clock::now();
        if (decode(data, static_cast<std::uint32_t>(size), code)) throw std::runtime_error("decode failed");
        const double mbs = static_cast<double>(size) / 1e6 / seconds_since(start);
        if (data.size() != size) throw std::runtime_error("decoded size differs");
        if (mbs > best) best = mbs;
    }
    return best;
}

struct Timing {
    double wall = 0;
    double cpu = 0;  // all threads of the process: cpu / wall is how many cores worked
};

Timing unpack_timing(const std::string& package, unsigned threads) {
    std::vector<FileData>().swap(unpacked_files);  // each run starts without old contents
    const double cpu_start = process_cpu_seconds();
    const auto start = Clock::now();
    unpack_package(package, [](int) { return true; }, threads);
    Timing t;
    t.wall = seconds_since(start);
    t.cpu = process_cpu_seconds() - cpu_start;
    return t;
}

volatile std::uint32_t crc_sink;  // the CRCs are used, so their loop is kept

// Processor seconds the CRC-32 of every decoded entry takes on one thread, best of three;
// the entries are read from memory as the unpack leaves them. Processor time, like the
// unpack's it is compared with, does not count the time other programs had the core.
double crc_seconds() {
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const double start = process_cpu_seconds();
        for (const FileData& file : unpacked_files) crc_sink = crc32_of(file.data.data(), file.data.size());
        const double seconds = process_cpu_seconds() - start;
        if (run == 0 || seconds < best) best = seconds;
    }
    return best;
}

double mib(double bytes) { return bytes / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
    int entries = 240;
    std::size_t entry_kib = 640;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--entries")) entries = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--entry-kib")) entry_kib = static_cast<std::size_t>(std::atol(argv[i + 1]));
    }
    try {
        const std::size_t baseline = peak_memory_bytes();
        const PackageStats package = make_package(entries, entry_kib * 1024);
        const Timing one = unpack_timing(package.bytes, 1);
        const double crc = crc_seconds();
        const unsigned all_threads = parallel::processor_count();
        const Timing all = unpack_timing(package.bytes, 0);
        const std::size_t peak = peak_memory_bytes();
        const double held = static_cast<double>(package.bytes.size() + package.decoded);
        const double over = static_cast<double>(peak) - static_cast<double>(baseline) - held;
        std::vector<FileData>().swap(unpacked_files);

        // After the memory figure, so the decoder runs' buffers do not count in it.
        const std::string sample = make_content(32u << 20, 7);
        const double deflate = decode_speed(decode_deflate, deflate_raw(sample), sample.size());
        const double bzip2 = decode_speed(decode_bzip2, bzip2_pack(sample), sample.size());

        std::printf("%-44s %12s\n", "measure", "value");
        std::printf("%-44s %12.1f\n", "deflate decode (miniz), MB/s of output", deflate);
        std::printf("%-44s %12.1f\n", "bzip2 decode, MB/s of output", bzip2);
        std::printf("%-44s %12d\n", "package entries (3 deflate : 1 bzip2)", package.entries);
        std::printf("%-44s %12.1f\n", "package size, MiB", mib(static_cast<double>(package.bytes.size())));
        std::printf("%-44s %12.1f\n", "decoded size, MiB", mib(static_cast<double>(package.decoded)));
        std::printf("%-44s %12.2f\n", "unpack_package, 1 thread, s", one.wall);
        std::printf("unpack_package, %-2u threads (all), s %*s%12.2f\n", all_threads, 8, "", all.wall);
        std::printf("%-44s %12.2f\n", "speed-up (target >= 1.7 on 2 cores)", one.wall / all.wall);
        std::printf("%-44s %12.3f\n", "unpack_package, 1 thread, CPU s", one.cpu);
        std::printf("%-44s %12.3f\n", "CRC-32 of every decoded entry, CPU s", crc);
        std::printf("%-44s %12.1f\n", "CRC-32, MB/s of decoded data", static_cast<double>(package.decoded) / 1e6 / crc);
        std::printf("%-44s %12.2f\n", "CRC-32 share of unpack CPU s, % (< 3)", 100.0 * crc / one.cpu);
        std::printf("%-44s %12.2f\n", "cores busy, 1 thread (CPU s / wall s)", one.cpu / one.wall);
        std::printf("%-44s %12.2f\n", "cores busy, all threads (CPU s / wall s)", all.cpu / all.wall);
        std::printf("%-44s %12.1f\n", "peak memory, MiB", mib(static_cast<double>(peak)));
        std::printf("%-44s %12.1f\n", "baseline before the package, MiB", mib(static_cast<double>(baseline)));
        std::printf("%-44s %12.1f\n", "above baseline+package+decoded (<= 32), MiB", mib(over));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unpack_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
