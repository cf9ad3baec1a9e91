// utf8_to_utf16 on any bytes. Valid UTF-8 must convert exactly as glibc's iconv converts
// it to UTF-16; any input gives well-formed UTF-16 with every ASCII byte in place (an
// ill-formed sequence never swallows the byte that ends it), converts piecewise at an
// ASCII byte, and utf16_to_utf8 encodes it back to UTF-8 that converts to the same units.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "installer/base/utf8.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// glibc's conversion; false for input that is not valid UTF-8.
bool iconv_utf16(const std::string& in, std::wstring& out) {
    static iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string buffer(in.size() * 2 + 4, '\0');
    char* source = const_cast<char*>(in.data());
    std::size_t source_left = in.size();
    char* target = &buffer[0];
    std::size_t target_left = buffer.size();
    if (iconv(cd, &source, &source_left, &target, &target_left) == static_cast<std::size_t>(-1)) return false;
    out.clear();
    for (std::size_t i = 0; i + 1 < buffer.size() - target_left; i += 2)
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(buffer[i]) |
                                           static_cast<unsigned char>(buffer[i + 1]) << 8));
    return true;
}

std::string ascii_of(const std::string& bytes) {
    std::string out;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) < 0x80) out += c;
    return out;
}

std::string ascii_of(const std::wstring& units) {
    std::string out;
    for (wchar_t c : units)
        if (static_cast<std::uint32_t>(c) < 0x80) out += static_cast<char>(c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const std::wstring out = utf8_to_utf16(in.data(), in.size());
    check(out.size() <= in.size());

    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::uint32_t c = static_cast<std::uint32_t>(out[i]);
        check(c <= 0xFFFF);
        if (c >= 0xDC00 && c <= 0xDFFF) check(false);  // a low surrogate not after a high one
        if (c >= 0xD800 && c <= 0xDBFF) {
            check(i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF);
            ++i;
        }
    }
    check(ascii_of(out) == ascii_of(in));

    std::wstring expected;
    if (iconv_utf16(in, expected)) check(out == expected);

    const std::string again = utf16_to_utf8(out);
    check(utf8_to_utf16(again.data(), again.size()) == out);

    const std::size_t cut = in.find_first_of(std::string("\x00\x01 /Aa", 6), in.size() / 2);
    if (cut != std::string::npos) {
        const std::wstring head = utf8_to_utf16(in.data(), cut);
        const std::wstring tail = utf8_to_utf16(in.data() + cut, in.size() - cut);
        check(head + tail == out);
    }
    return 0;
}
