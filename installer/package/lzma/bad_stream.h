#pragma once
#include <exception>

namespace lzma {

// Thrown by the decoder for corrupt data; carries nothing but its text.
class BadStream : public std::exception {
public:
    ~BadStream() override;
    const char* what() const noexcept override;  // "invalid LZMA stream"
};

}  // namespace lzma
