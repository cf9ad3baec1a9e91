#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "installer/package/crc32.h"
#include "installer/package/decoders.h"
#include "installer/package/large_buffer.h"
#include "installer/package/lzma/decoder.h"
#include "installer/package/parallel.h"

namespace {

constexpr std::size_t header_size = 9;  // two version bytes, properties size, 5 properties
constexpr std::uint32_t populate_from = std::uint32_t(8) << 20;  // smaller outputs fault cheaply
constexpr std::size_t fill_piece = std::size_t(256) << 10;        // well inside the L2 cache
// How far the CRC-32 keeps behind the decoder: reading right behind it, the checking
// core would pull in (and the decoder then have to take back) the lines being written.
constexpr std::size_t check_lag = std::size_t(1) << 20;

// The front of the output that the decoder has finished and will not write again, raised
// piece by piece, and whether the decoder has stopped.
class FinishedFront {
public:
    void raise(std::size_t position) { set(position, false); }
    void close(std::size_t position) { set(position, true); }

    // Waits until the front is beyond `known` or the decoder has stopped; returns the front.
    std::size_t wait_beyond(std::size_t known, bool& closed) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return closed_ || position_ > known; });
        closed = closed_;
        return position_;
    }

private:
    void set(std::size_t position, bool closed) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            position_ = position;
            closed_ = closed;
        }
        changed_.notify_one();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t position_ = 0;
    bool closed_ = false;
};

// Checks the entry header in front of the stream and reads its properties.
const char* read_header(const char* compressed, std::size_t size, lzma::Properties& properties) {
    if (size < header_size) return "lzma.header_size";
    const auto* header = reinterpret_cast<const unsigned char*>(compressed);
    if ((unsigned(header[2]) | unsigned(header[3]) << 8) != 5) return "lzma.props_size";
    if (!lzma::parse_properties(header + 4, properties)) return "lzma.props";
    return nullptr;
}

// Decodes the raw stream [in, + input_left) into the empty `data`; the outcomes of
// decode_lzma. A non-null `crc` receives the output's CRC-32 on success.
const char* decode_stream(const lzma::Properties& properties, const unsigned char* in, std::size_t input_left,
                          std::string& data, std::uint32_t uncompressed_size, std::uint32_t* crc) {
    lzma::Decoder decoder(properties);
    data.reserve(uncompressed_size);
    prepare_large_buffer(&data[0], data.capacity());
    // The reserved buffer never moves, so it is the dictionary from the start. The string
    // grows one piece ahead of the decoder: each piece is zero-filled just before it is
    // written, while it is still in the cache, instead of in one pass over the whole
    // output before the decode begins. The decoder writes nothing past its limit.
    unsigned char* const output = reinterpret_cast<unsigned char*>(&data[0]);
    decoder.set_dictionary(output, uncompressed_size);
    std::atomic<std::size_t> reached{0};
    FinishedFront finished;

    lzma::Status status = lzma::Status::none;
    bool bad_stream = false;
    const auto decode = [&] {
        try {
            do {
                const std::size_t limit =
                    std::min<std::size_t>(uncompressed_size, data.size() + fill_piece);
                finished.raise(decoder.dictionary_position());
                data.resize(limit);
                reached.store(limit, std::memory_order_relaxed);
                std::size_t consumed = input_left;
                decoder.decode_to_dictionary(
                    limit, in, consumed,
                    limit == uncompressed_size ? lzma::FinishMode::finish_end : lzma::FinishMode::finish_any,
                    status);
                in += consumed;
                input_left -= consumed;
            } while (decoder.dictionary_position() == data.size() && data.size() < uncompressed_size &&
                     status != lzma::Status::needs_more_input);
        } catch (const lzma::BadStream&) {
            bad_stream = true;
        } catch (...) {
            finished.close(decoder.dictionary_position());
            throw;
        }
        finished.close(decoder.dictionary_position());
    };
    // The CRC-32 worked out behind the decoder by the worker that made its pages: the
    // decoding thread would otherwise read the whole output once more when it is done.
    std::size_t checked = 0;
    std::uint32_t running_crc = 0;
    const auto check_behind = [&] {
        for (;;) {
            bool last = false;
            std::size_t upto = finished.wait_beyond(checked + 2 * check_lag, last);
            if (!last) upto -= check_lag;
            running_crc = crc32_of(output + checked, upto - checked, running_crc);
            checked = upto;
            if (last) return;
        }
    };
    // One big entry decodes on one thread while the other workers wait: one of them makes
    // the fresh pages ahead of the decoder, which would otherwise stop to make each one,
    // and then checks the bytes behind it.
    // The first thread in decodes, so a caller whose loop has no idle worker decodes at
    // once and finds nothing left to populate afterwards.
    if (uncompressed_size >= populate_from && parallel::available_workers() > 1) {
        std::atomic<int> arrivals{0};
        parallel::parallel_for(0, 2, [&](std::size_t) {
            if (arrivals.fetch_add(1) == 0) {
                decode();
            } else {
                populate_ahead(output, uncompressed_size, reached);
                if (crc) check_behind();
            }
        });
    } else {
        decode();
    }
    const bool filled = decoder.dictionary_position() == uncompressed_size;
    data.resize(uncompressed_size);  // on failure too: the size is the decoders' promise
    if (bad_stream) return "lzma.bad_stream";
    if (status == lzma::Status::needs_more_input) return "lzma.eof";
    // An end marker before the recorded size would leave a zero-padded file behind.
    if (!filled) return "lzma.short";
    if (crc) {
        check_behind();  // the rest, or all of it where no worker checked behind the decoder
        *crc = running_crc;
    }
    return nullptr;
}

}  // namespace

const char* decode_lzma(std::string& data, std::uint32_t uncompressed_size,
                        boost::system::error_code& code) {
    code.assign(0, boost::system::system_category());
    lzma::Properties properties;
    if (const char* identifier = read_header(data.data(), data.size(), properties)) return identifier;
    std::string input;
    input.swap(data);
    return decode_stream(properties, reinterpret_cast<const unsigned char*>(input.data()) + header_size,
                         input.size() - header_size, data, uncompressed_size, nullptr);
}

const char* decode_lzma_from_bytes(const char* compressed, std::size_t compressed_size, std::string& output,
                                   std::uint32_t uncompressed_size, boost::system::error_code& code,
                                   std::uint32_t* crc) {
    code.assign(0, boost::system::system_category());
    output.clear();
    lzma::Properties properties;
    if (const char* identifier = read_header(compressed, compressed_size, properties)) return identifier;
    return decode_stream(properties, reinterpret_cast<const unsigned char*>(compressed) + header_size,
                         compressed_size - header_size, output, uncompressed_size, crc);
}
