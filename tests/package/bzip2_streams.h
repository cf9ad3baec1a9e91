#pragma once
// bzip2 streams made by the library's own compressor, for the decoder tests.
#include <gtest/gtest.h>

#include <bzlib.h>

#include <string>

inline std::string bzip2_stream(const std::string& plain, int block_size = 9) {
    unsigned int length = static_cast<unsigned int>(plain.size() + plain.size() / 50 + 1024);
    std::string out(length, '\0');
    const int result = BZ2_bzBuffToBuffCompress(&out[0], &length, const_cast<char*>(plain.data()),
                                                static_cast<unsigned int>(plain.size()), block_size, 0, 0);
    EXPECT_EQ(BZ_OK, result);
    out.resize(length);
    return out;
}
