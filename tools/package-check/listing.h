#pragma once
// Per-method counts and sizes for the report, from the package's central directory.
// Only for display: the check itself reads the package with the installer's reader, so
// this listing stays silent (empty) on anything it does not understand.
#include <cstdint>
#include <map>
#include <string>

struct MethodTotals {
    int entries = 0;
    std::uint64_t packed = 0;
    std::uint64_t decoded = 0;
};

// Method number -> totals; empty when the directory cannot be walked.
std::map<int, MethodTotals> list_methods(const std::string& package);

// "stored", "deflate", "bzip2", "lzma" or "method N".
std::wstring method_name(int method);
