#pragma once
// UTF-8 to UTF-16 the way the system's own conversion (code page 65001, no flags) does it:
// code points above U+FFFF become surrogate pairs, and each maximal ill-formed subsequence
// (a stray continuation byte, a lead byte whose sequence is cut short, an overlong form,
// an encoded surrogate, a value above U+10FFFF) becomes one U+FFFD. Never fails.
// The result holds UTF-16 code units on every platform, also where wchar_t is 32 bits wide.
#include <cstddef>
#include <cstdint>
#include <string>

std::wstring utf8_to_utf16(const char* text, std::size_t length);

// UTF-16 code units (one per wchar_t) back to UTF-8: a surrogate pair becomes its code
// point, a lone surrogate U+FFFD. Never fails.
std::string utf16_to_utf8(const std::wstring& units);
