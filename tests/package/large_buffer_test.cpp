// The hints for big buffers change no byte, whatever the buffer's size and alignment,
// also when several threads populate parts of one buffer at once, on their own or as
// the workers of a running loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>

#include "installer/package/large_buffer.h"
#include "installer/package/parallel.h"

namespace {

std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t k = 0; k < size; ++k) s[k] = static_cast<char>(k * 131 + 7);
    return s;
}

}  // namespace

TEST(LargeBuffer, HintsChangeNoByte) {
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(4095), std::size_t(20) << 20}) {
        std::string buffer = pattern(size + 3);
        const std::string expected = buffer;
        // Off page boundaries on purpose: only whole pages inside may be touched.
        prepare_large_buffer(&buffer[1], size);
        populate_large_buffer(&buffer[1], size);
        EXPECT_TRUE(buffer == expected) << size;
    }
}

TEST(LargeBuffer, PopulatedInPartsOnTwoThreads) {
    const std::size_t size = std::size_t(24) << 20;
    std::string buffer;
    buffer.reserve(size);
    prepare_large_buffer(&buffer[0], buffer.capacity());
    std::thread other([&] { populate_large_buffer(&buffer[0] + size / 2, buffer.capacity() - size / 2); });
    populate_large_buffer(&buffer[0], size / 2);
    other.join();
    buffer.resize(size);
    EXPECT_EQ(std::string::npos, buffer.find_first_not_of('\0'));
    buffer = pattern(size);
    populate_large_buffer(&buffer[0], size);
    EXPECT_TRUE(buffer == pattern(size));
}

TEST(LargeBuffer, PopulatedInParallelChangesNoByte) {
    const std::size_t size = (std::size_t(13) << 20) + 12345;
    std::string buffer = pattern(size + 1);
    populate_in_parallel(&buffer[1], size);  // pieces cut at 4 MiB, not at the buffer's start
    EXPECT_TRUE(buffer == pattern(size + 1));

    // Inside one iteration of a running loop, as an entry's decoder does: the loop's
    // workers join the pieces.
    parallel::parallel_for(0, 2, [&](std::size_t k) {
        if (k == 0) populate_in_parallel(&buffer[1], size);
    });
    EXPECT_TRUE(buffer == pattern(size + 1));
}

// As the LZMA entry path does: one thread writes the buffer from the front and raises
// `reached` before each part; another populates ahead of it.
TEST(LargeBuffer, PopulatedAheadOfAWriterKeepsItsBytes) {
    const std::size_t size = (std::size_t(13) << 20) + 12345;
    const std::string expected = pattern(size + 1);
    std::string buffer(size + 1, '\0');
    buffer[0] = expected[0];
    std::atomic<std::size_t> reached{0};
    std::thread writer([&] {
        for (std::size_t at = 0; at < size; at += 100000) {
            const std::size_t end = std::min(size, at + 100000);
            reached.store(end, std::memory_order_relaxed);
            std::memcpy(&buffer[1] + at, &expected[1] + at, end - at);
        }
    });
    populate_ahead(&buffer[1], size, reached);
    writer.join();
    EXPECT_TRUE(buffer == expected);
}
