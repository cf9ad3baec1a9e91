#include "tests/app/pe_imports.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

struct Image {
    const std::string& bytes;

    std::uint32_t u32(std::size_t at) const {
        need(at, 4);
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;  // the tests run on little-endian hosts only
    }
    std::uint16_t u16(std::size_t at) const {
        need(at, 2);
        std::uint16_t v;
        std::memcpy(&v, bytes.data() + at, 2);
        return v;
    }
    void need(std::size_t at, std::size_t n) const {
        if (at > bytes.size() || bytes.size() - at < n) throw std::runtime_error("PE image is truncated");
    }
    std::string c_string(std::size_t at) const {
        need(at, 1);
        const std::size_t end = bytes.find('\0', at);
        if (end == std::string::npos) throw std::runtime_error("PE name is not terminated");
        return bytes.substr(at, end - at);
    }
};

struct Layout {
    std::size_t sections = 0;      // file offset of the section table
    unsigned section_count = 0;
    std::size_t directories = 0;   // file offset of the data directories
    unsigned directory_count = 0;
};

Layout layout(const Image& image) {
    if (image.u16(0) != 0x5A4D) throw std::runtime_error("not an MZ file");
    const std::size_t pe = image.u32(0x3C);
    if (image.u32(pe) != 0x00004550) throw std::runtime_error("no PE signature");
    Layout l;
    l.section_count = image.u16(pe + 6);
    const std::size_t optional = pe + 24;
    const unsigned optional_size = image.u16(pe + 20);
    const std::uint16_t magic = image.u16(optional);
    if (magic == 0x10B) {
        l.directories = optional + 96;
        l.directory_count = image.u32(optional + 92);
    } else if (magic == 0x20B) {
        l.directories = optional + 112;
        l.directory_count = image.u32(optional + 108);
    } else {
        throw std::runtime_error("unknown optional header");
    }
    l.sections = optional + optional_size;
    return l;
}

std::size_t file_offset(const Image& image, const Layout& l, std::uint32_t rva) {
    for (unsigned i = 0; i < l.section_count; ++i) {
        const std::size_t s = l.sections + 40 * i;
        const std::uint32_t va = image.u32(s + 12), virtual_size = image.u32(s + 8), raw = image.u32(s + 20);
        const std::uint32_t raw_size = image.u32(s + 16);
        const std::uint32_t extent = virtual_size > raw_size ? virtual_size : raw_size;
        if (rva >= va && rva - va < extent) return raw + (rva - va);
    }
    throw std::runtime_error("address outside every section");
}

// Walks a table of fixed-size records whose name RVA sits at name_at, up to a zero record.
std::vector<std::string> names(const std::string& bytes, unsigned directory, std::size_t record,
                               std::size_t name_at) {
    const Image image{bytes};
    const Layout l = layout(image);
    std::vector<std::string> result;
    if (directory >= l.directory_count) return result;
    const std::uint32_t rva = image.u32(l.directories + 8 * directory);
    if (rva == 0) return result;
    std::size_t at = file_offset(image, l, rva);
    for (int guard = 0; guard < 4096; ++guard, at += record) {
        const std::uint32_t name_rva = image.u32(at + name_at);
        if (name_rva == 0) return result;
        result.push_back(image.c_string(file_offset(image, l, name_rva)));
    }
    throw std::runtime_error("import table without end");
}

}  // namespace

std::vector<std::string> load_time_imports(const std::string& image) { return names(image, 1, 20, 12); }

std::vector<std::string> delay_load_imports(const std::string& image) { return names(image, 13, 32, 4); }

std::uint16_t pe_machine(const std::string& bytes) {
    const Image image{bytes};
    layout(image);
    return image.u16(image.u32(0x3C) + 4);
}

bool large_address_aware(const std::string& bytes) {
    const Image image{bytes};
    layout(image);
    return (image.u16(image.u32(0x3C) + 22) & 0x0020) != 0;  // IMAGE_FILE_LARGE_ADDRESS_AWARE
}
