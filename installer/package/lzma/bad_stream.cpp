#include "installer/package/lzma/bad_stream.h"

namespace lzma {

BadStream::~BadStream() = default;

const char* BadStream::what() const noexcept { return "invalid LZMA stream"; }

}  // namespace lzma
