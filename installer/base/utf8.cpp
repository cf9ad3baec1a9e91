#include "installer/base/utf8.h"

namespace {

constexpr wchar_t replacement = 0xFFFD;

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::wstring utf8_to_utf16(const char* text, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::wstring out;
    out.reserve(length);
    std::size_t i = 0;
    while (i < length) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        // Number of continuation bytes and the allowed range of the first one, which is
        // where overlong forms, surrogates and values above U+10FFFF are excluded.
        std::size_t extra;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            out.push_back(replacement);
            ++i;
            continue;
        }
        std::uint32_t value = lead & (0x3F >> extra);
        std::size_t used = 1;
        bool complete = true;
        for (std::size_t k = 0; k < extra; ++k, ++used) {
            if (i + used >= length) { complete = false; break; }
            const unsigned char byte = bytes[i + used];
            const bool fits = k == 0 ? (byte >= low && byte <= high) : continuation(byte);
            if (!fits) { complete = false; break; }
            value = value << 6 | (byte & 0x3F);
        }
        i += used;  // an ill-formed subsequence ends before the byte that broke it
        if (!complete) {
            out.push_back(replacement);
        } else if (value >= 0x10000) {
            value -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(value));
        }
    }
    return out;
}

std::string utf16_to_utf8(const std::wstring& units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(units[i]) & 0xFFFFu;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(units[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low < 0xE000) {
                append_utf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = replacement;
        append_utf8(out, c);
    }
    return out;
}
