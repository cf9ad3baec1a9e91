#pragma once
// UTF-8 <-> UTF-16 code units (one per wchar_t on every platform) for the console, by the
// installer's own conversion: bad sequences and lone surrogates become U+FFFD.
#include <string>

std::string utf8_from_wide(const std::wstring& text);
std::wstring wide_from_utf8(const std::string& text);
