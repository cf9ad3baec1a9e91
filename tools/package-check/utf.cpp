#include "tools/package-check/utf.h"

namespace {

void append_utf8(std::string& out, unsigned long c) {
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

void append_utf16(std::wstring& out, unsigned long c) {
    if (c < 0x10000) {
        out.push_back(static_cast<wchar_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    }
}

}  // namespace

std::string utf8_from_wide(const std::wstring& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]) & 0xFFFFu;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            const unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low < 0xE000) {
                append_utf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        append_utf8(out, c);
    }
    return out;
}

std::wstring wide_from_utf8(const std::string& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80                   ? 0
                          : lead >= 0xC2 && lead < 0xE0 ? 1
                          : lead >= 0xE0 && lead < 0xF0 ? 2
                          : lead >= 0xF0 && lead < 0xF5 ? 3
                                                        : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
            out.push_back(static_cast<wchar_t>(0xFFFD));
            ++i;
            continue;
        }
        unsigned long c = extra == 0 ? lead : lead & (0x3F >> extra);
        bool good = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) good = false;
            c = (c << 6) | (next & 0x3F);
        }
        if (!good || (extra == 2 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) ||
            (extra == 3 && (c < 0x10000 || c > 0x10FFFF))) {
            out.push_back(static_cast<wchar_t>(0xFFFD));
            ++i;
            continue;
        }
        append_utf16(out, c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}
