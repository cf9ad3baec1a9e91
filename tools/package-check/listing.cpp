#include "tools/package-check/listing.h"

namespace {

std::uint32_t get16(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}

std::uint32_t get32(const std::string& s, std::size_t at) { return get16(s, at) | get16(s, at + 2) << 16; }

}  // namespace

std::map<int, MethodTotals> list_methods(const std::string& package) {
    std::map<int, MethodTotals> totals;
    if (package.size() < 22) return totals;
    std::size_t end = package.size() - 22 + 1;
    std::size_t record = std::string::npos;
    while (end-- > 0 && package.size() - end <= 22 + 0xFFFF) {
        if (get32(package, end) == 0x06054B50 && end + 22 + get16(package, end + 20) <= package.size()) {
            record = end;
            break;
        }
    }
    if (record == std::string::npos) return totals;
    const std::uint32_t count = get16(package, record + 10);
    const std::uint64_t size = get32(package, record + 12);
    const std::uint64_t offset = get32(package, record + 16);
    if (offset + size > record) return totals;
    std::size_t at = static_cast<std::size_t>(record - size);  // counts any bytes in front
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at + 46 > record || get32(package, at) != 0x02014B50) return {};
        MethodTotals& t = totals[static_cast<int>(get16(package, at + 10))];
        ++t.entries;
        t.packed += get32(package, at + 20);
        t.decoded += get32(package, at + 24);
        at += 46 + get16(package, at + 28) + get16(package, at + 30) + get16(package, at + 32);
    }
    return totals;
}

std::wstring method_name(int method) {
    switch (method) {
        case 0: return L"stored";
        case 8: return L"deflate";
        case 12: return L"bzip2";
        case 14: return L"lzma";
        default: return L"method " + std::to_wstring(method);
    }
}
