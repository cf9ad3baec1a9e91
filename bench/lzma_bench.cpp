// Decoding speed of the program's LZMA decoder against liblzma's raw LZMA1 decoder on
// the same stream: mixed text-like, binary-like and incompressible 1 MiB blocks,
// encoded once by liblzma. Runs alternate between the two decoders in one process.
// Usage: lzma_bench [MiB (default 96)] [rounds (default 5)] [preset (default 6)] [cache file]
//                   [data file]
// (the cache file keeps the encoded stream between runs with the same arguments; with a
// data file, its first MiB mebibytes are the data instead of the generated mix, e.g. the
// real files that bench/lzma_real_files.py gathers)
#include <lzma.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/package/decoders.h"
#include "installer/package/lzma/decoder.h"

namespace {

std::string make_data(std::size_t size) {
    std::mt19937 random(12345);
    std::vector<std::string> words;
    for (int i = 0; i < 2000; ++i) {
        std::string w;
        const int length = 2 + int(random() % 9);
        for (int j = 0; j < length; ++j) w += char('a' + random() % 26);
        words.push_back(w);
    }
    std::string data;
    data.reserve(size);
    const std::size_t block = 1 << 20;
    for (std::size_t n = 0; data.size() < size; ++n) {
        const std::size_t end = std::min(size, data.size() + block);
        switch (n % 5) {
        case 0:
        case 1:  // text: skewed word choice, punctuation, lines
            while (data.size() < end) {
                const std::size_t pick = std::min<std::size_t>(random() % 2000, random() % 2000);
                data += words[pick];
                data += (random() % 12 == 0) ? ".\n" : " ";
            }
            break;
        case 2:
        case 3: {  // binary: records with counters, small fields and repeated opcodes
            std::uint32_t counter = std::uint32_t(n) << 16;
            while (data.size() < end) {
                const unsigned char record[12] = {
                    0x8B, 0x45, (unsigned char)(random() % 16 * 4), 0xE8,
                    (unsigned char)counter, (unsigned char)(counter >> 8), (unsigned char)(counter >> 16), 0,
                    (unsigned char)(random() % 3), 0, 0x89, (unsigned char)(0xC0 + random() % 8)};
                data.append(reinterpret_cast<const char*>(record), sizeof record);
                counter += 1 + random() % 40;
            }
            break;
        }
        default:  // incompressible
            while (data.size() < end) data += char(random());
            break;
        }
        data.resize(end);
    }
    return data;
}

lzma_options_lzma options_for(std::uint32_t preset) {
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, preset)) throw std::runtime_error("bad preset");
    return options;
}

std::string encode(const std::string& data, lzma_options_lzma& options) {
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::string out(data.size() + data.size() / 8 + 4096, '\0');
    std::size_t out_pos = 0;
    if (lzma_raw_buffer_encode(filters, nullptr, reinterpret_cast<const std::uint8_t*>(data.data()), data.size(),
                               reinterpret_cast<std::uint8_t*>(&out[0]), &out_pos, out.size()) != LZMA_OK)
        throw std::runtime_error("liblzma could not encode");
    out.resize(out_pos);
    return out;
}

void decode_liblzma(const std::string& stream, lzma_options_lzma& options, std::string& out) {
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::size_t in_pos = 0, out_pos = 0;
    const lzma_ret ret = lzma_raw_buffer_decode(filters, nullptr, reinterpret_cast<const std::uint8_t*>(stream.data()),
                                                &in_pos, stream.size(), reinterpret_cast<std::uint8_t*>(&out[0]),
                                                &out_pos, out.size());
    if (ret != LZMA_OK || out_pos != out.size()) throw std::runtime_error("liblzma could not decode");
}

void decode_ours(const std::string& stream, const lzma::Properties& properties, std::string& out) {
    lzma::Decoder decoder(properties);
    decoder.set_dictionary(reinterpret_cast<unsigned char*>(&out[0]), out.size());
    std::size_t length = stream.size();
    lzma::Status status;
    decoder.decode_to_dictionary(out.size(), reinterpret_cast<const unsigned char*>(stream.data()), length,
                                 lzma::FinishMode::finish_end, status);
    if (status != lzma::Status::finished_with_mark || decoder.dictionary_position() != out.size())
        throw std::runtime_error("our decoder did not finish");
}

// Processor time of the process (all its threads): on a shared machine wall time also
// counts the other processes' turns.
template <typename F>
double seconds_of(F&& f) {
    const std::clock_t start = std::clock();
    f();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

// Wall time, for the entry step: a big entry has a second thread make its fresh pages
// while the decoder runs, which only the wall time shows as a gain.
template <typename F>
double wall_seconds_of(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest run: on a shared machine the others only add other processes' time.
double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 96;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::uint32_t preset = argc > 3 ? std::uint32_t(std::strtoul(argv[3], nullptr, 10)) : 6;
    try {
        std::string data;
        if (argc > 5) {
            std::ifstream in(argv[5], std::ios::binary);
            data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (data.size() < (mib << 20)) throw std::runtime_error("the data file is too short");
            data.resize(mib << 20);
        } else {
            data = make_data(mib << 20);
        }
        lzma_options_lzma options = options_for(preset);
        std::string stream;
        const std::string cache = argc > 4 ? argv[4] : "";
        if (!cache.empty()) {
            std::ifstream in(cache, std::ios::binary);
            stream.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        double encode_seconds = 0;
        if (stream.empty()) {
            encode_seconds = seconds_of([&] { stream = encode(data, options); });
            if (!cache.empty()) std::ofstream(cache, std::ios::binary) << stream;
        }
        std::printf("data %zu MiB, stream %.1f MiB (lc %u lp %u pb %u, dictionary %u MiB, preset %u), encoded in %.1f s of processor time\n",
                    mib, stream.size() / 1048576.0, options.lc, options.lp, options.pb, options.dict_size >> 20,
                    preset, encode_seconds);

        lzma::Properties properties;
        properties.lc = options.lc;
        properties.lp = options.lp;
        properties.pb = options.pb;
        properties.dictionary_size = options.dict_size;

        // The entry form: what decode_lzma gets from the ZIP reader.
        const unsigned char props_byte = (unsigned char)((options.pb * 5 + options.lp) * 9 + options.lc);
        std::string entry = {char(9), char(20), char(5), char(0), char(props_byte),
                             char(options.dict_size), char(options.dict_size >> 8),
                             char(options.dict_size >> 16), char(options.dict_size >> 24)};
        entry += stream;

        std::string ours(data.size(), '\0');
        std::string theirs(data.size(), '\0');
        std::vector<double> t_ours, t_theirs, t_entry, t_entry_wall;
        for (int r = 0; r < rounds; ++r) {
            t_ours.push_back(seconds_of([&] { decode_ours(stream, properties, ours); }));
            t_theirs.push_back(seconds_of([&] { decode_liblzma(stream, options, theirs); }));
            std::string copy = entry;
            double processor = 0;
            t_entry_wall.push_back(wall_seconds_of([&] {
                processor = seconds_of([&] {
                    boost::system::error_code code;
                    if (decode_lzma(copy, std::uint32_t(data.size()), code))
                        throw std::runtime_error("decode_lzma failed");
                });
            }));
            t_entry.push_back(processor);
            if (copy != data) throw std::runtime_error("decode_lzma output differs");
        }
        if (ours != data || theirs != data) throw std::runtime_error("decoded data differs");

        const double mb = data.size() / 1e6;
        std::printf("| decoder (best of %d interleaved runs) | MB/s of output (processor time) |\n|---|---:|\n", rounds);
        std::printf("| lzma::Decoder, reused buffer | %.1f |\n", mb / best(t_ours));
        std::printf("| liblzma %s raw LZMA1, reused buffer | %.1f |\n", lzma_version_string(), mb / best(t_theirs));
        std::printf("| decode_lzma (entry: allocates and zeroes the output) | %.1f |\n", mb / best(t_entry));
        std::printf("| decode_lzma, by wall time | %.1f |\n", mb / best(t_entry_wall));
        std::printf("| ratio lzma::Decoder / liblzma | %.3f |\n", best(t_theirs) / best(t_ours));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lzma_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
