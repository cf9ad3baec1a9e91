#include "tools/package-check/utf.h"

#include "installer/base/utf8.h"

std::string utf8_from_wide(const std::wstring& text) { return utf16_to_utf8(text); }

std::wstring wide_from_utf8(const std::string& text) { return utf8_to_utf16(text.data(), text.size()); }
