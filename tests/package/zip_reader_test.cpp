// The ZIP reader against packages written by Python's zipfile, Info-ZIP zip and 7-Zip
// (made by make_fixtures.py as a test fixture) and against hand-built damaged packages.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "installer/base/errors.h"
#include "installer/base/utf8.h"
#include "installer/package/parallel.h"
#include "installer/package/zip_reader.h"
#include "tests/package/bzip2_streams.h"
#include "tests/support/fixtures.h"
#include "tests/support/zip_builder.h"

namespace {

using boost::system::error_code;

std::string fixture_dir() { return test_support::fixture_dir("tests/package/zip_fixtures"); }
using test_support::read_file;

std::wstring from_utf16_hex(const std::string& hex) {
    std::wstring out;
    for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) {
        const unsigned low = std::stoul(hex.substr(i, 2), nullptr, 16);
        const unsigned high = std::stoul(hex.substr(i + 2, 2), nullptr, 16);
        out.push_back(static_cast<wchar_t>(high << 8 | low));
    }
    return out;
}

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The outcome text the install would show for this identifier and code.
std::wstring outcome(const char* identifier, const error_code& code) {
    return describe_exception(std::make_exception_ptr(boost::system::system_error(code, identifier)));
}

std::wstring expected_outcome(const std::string& identifier, int value,
                              const boost::system::error_category& category) {
    std::wostringstream text;
    text << widen(identifier) << L": " << widen(category.message(value)) << L":"
         << widen(category.name()) << L":" << value;
    return text.str();
}

using test_support::crc32_of;
using test_support::patch16;
using test_support::patch32;
using test_support::put16;
using test_support::put32;
using Entry = test_support::ZipEntry;

struct Built {
    std::string bytes;
    std::size_t end_record;                  // position of the end record
    std::size_t directory;                   // position of the central directory
    std::vector<std::size_t> local_headers;  // positions, prefix included
};

// A one-disk archive after `prefix`; offsets count from the archive's own start. The
// local headers carry no sizes (the central directory's govern), and every directory
// record has an extra field and a comment that the reader must skip.
Built build(std::vector<Entry> entries, const std::string& prefix = "", const std::string& comment = "") {
    test_support::ZipBuilder builder(prefix);
    for (Entry& e : entries) {
        e.local_sizes = false;
        e.central_extra = "XXXX";
        e.central_comment = "cmt";
        builder.add(e);
    }
    Built b;
    b.bytes = builder.finish(comment);
    b.end_record = builder.end_record;
    b.directory = builder.directory;
    b.local_headers = builder.local_headers;
    return b;
}

std::vector<Entry> two_stored() {
    std::vector<Entry> entries(2);
    entries[0].name = "first.txt";
    entries[0].data = "the first file";
    entries[1].name = "dir/second.bin";
    entries[1].data = std::string("\0\1\2second", 9);
    return entries;
}

struct Opened {
    const char* identifier;
    error_code code;
};

Opened open_package(ZipReader& reader) {
    Opened result{nullptr, error_code()};
    result.identifier = reader.open(result.code);
    return result;
}

std::string read_ok(const ZipReader& reader, int index) {
    std::string output;
    error_code code;
    const char* identifier = reader.read_entry(index, output, code);
    EXPECT_EQ(nullptr, identifier) << identifier;
    return output;
}

// The outcome of open and check_entries; empty when every entry passes.
std::wstring checked_outcome(const std::string& package) {
    ZipReader reader(package);
    error_code code;
    const char* identifier = reader.open(code);
    if (!identifier) identifier = reader.check_entries(code);
    return identifier ? outcome(identifier, code) : std::wstring();
}

// The files every tool's package holds, by their path inside the packages.
std::map<std::wstring, std::string> load_sources() {
    std::map<std::wstring, std::string> sources;
    std::istringstream listing(read_file(fixture_dir() + "sources.txt"));
    std::string id, hex;
    while (listing >> id >> hex) {
        sources[from_utf16_hex(hex)] = read_file(fixture_dir() + "sources/" + id + ".bin");
    }
    return sources;
}

}  // namespace

TEST(ZipReaderTools, EveryEntryOfEveryToolsPackageDecodesToItsSource) {
    const std::map<std::wstring, std::string> sources = load_sources();
    ASSERT_EQ(8u, sources.size()) << "fixtures missing in " << fixture_dir();
    ASSERT_TRUE(sources.count(L"icons/\xD83C\xDFAE.ico")) << "surrogate pair in a name";

    std::istringstream manifest(read_file(fixture_dir() + "manifest.txt"));
    std::string name;
    int packages = 0;
    while (manifest >> name) {
        SCOPED_TRACE(name);
        ++packages;
        const std::string package = read_file(fixture_dir() + name);
        ZipReader reader(package);
        const Opened opened = open_package(reader);
        ASSERT_EQ(nullptr, opened.identifier) << opened.identifier;
        std::size_t files = 0;
        for (int i = 0; i < reader.entry_count(); ++i) {
            const std::wstring entry = reader.entry_name(i);
            const std::string data = read_ok(reader, i);
            if (!entry.empty() && entry.back() == L'/') {
                EXPECT_TRUE(data.empty());
                continue;
            }
            const auto source = sources.find(entry);
            ASSERT_NE(sources.end(), source) << "unexpected entry " << i;
            EXPECT_TRUE(data == source->second) << "entry " << i << " differs";
            ++files;
        }
        EXPECT_EQ(sources.size(), files);
    }
    EXPECT_EQ(17, packages);
}

TEST(ZipReaderTools, Zip64PackageIsRefusedInOpen) {
    std::istringstream refused(read_file(fixture_dir() + "refused.txt"));
    std::string name, identifier;
    ASSERT_TRUE(refused >> name >> identifier);
    const std::string package = read_file(fixture_dir() + name);
    ZipReader reader(package);
    const Opened opened = open_package(reader);
    ASSERT_NE(nullptr, opened.identifier);
    EXPECT_EQ(identifier, opened.identifier);
    EXPECT_EQ(expected_outcome("zip.zip64", 50, boost::system::system_category()),
              outcome(opened.identifier, opened.code));
}

TEST(ZipReaderTools, ConcurrentReadsOfDifferentEntriesAgree) {
    const std::string package = read_file(fixture_dir() + "7zip_bzip2.zip");
    ZipReader reader(package);
    ASSERT_EQ(nullptr, open_package(reader).identifier);
    std::vector<std::string> once(reader.entry_count());
    for (int i = 0; i < reader.entry_count(); ++i) once[i] = read_ok(reader, i);
    std::atomic<int> differing{0};
    parallel::parallel_for(0, std::size_t(reader.entry_count()) * 2, [&](std::size_t k) {
        const int index = static_cast<int>(k % once.size());
        std::string output;
        error_code code;
        if (reader.read_entry(index, output, code) || output != once[index]) ++differing;
    }, 4);
    EXPECT_EQ(0, differing.load());
}

// Each failure of open, with the outcome text the user would read.
TEST(ZipReaderOpen, DamagedPackagesFailWithTheirIdentifierAndCode) {
    const auto& sys = boost::system::system_category();
    struct Case {
        const char* what;
        std::string package;
        const char* identifier;
        int value;
    };
    std::vector<Case> cases;
    cases.push_back({"empty package", "", "zip.tail.seek", 87});
    cases.push_back({"shorter than an end record", "PK\x05\x06 short", "zip.eocd", 11});
    cases.push_back({"no end record", std::string(70000, 'z'), "zip.eocd", 11});
    {
        // The only end record is followed by less comment than it announces.
        Built b = build(two_stored());
        patch16(b.bytes, b.end_record + 20, 10);
        b.bytes += "12345";
        cases.push_back({"comment runs past the end", b.bytes, "zip.eocd", 11});
    }
    {
        // An end record more than 66560 bytes before the end is out of the window.
        Built b = build(two_stored());
        b.bytes += std::string(66560 - 21, '\0');
        cases.push_back({"end record before the window", b.bytes, "zip.eocd", 11});
    }
    {
        Built b = build(two_stored());
        patch32(b.bytes, b.end_record + 12, static_cast<std::uint32_t>(b.end_record + 1));
        cases.push_back({"directory starts before the package", b.bytes, "zip.cd.seek", 87});
    }
    {
        Built b = build(two_stored());
        b.bytes[b.directory] = 'Q';
        cases.push_back({"directory signature", b.bytes, "zip.cd.signature", 11});
    }
    {
        Built b = build(two_stored());
        patch16(b.bytes, b.end_record + 10, 3);
        cases.push_back({"more entries than records", b.bytes, "zip.cd.truncated", 11});
    }
    {
        // The second record's fixed part would start inside the first's comment.
        Built b = build(two_stored());
        const std::size_t first = b.directory;
        patch16(b.bytes, first + 32, 0xFFFF);
        cases.push_back({"comment length past the copy", b.bytes, "zip.cd.truncated", 11});
    }
    {
        // A zip64 end record and its locator between directory and end record, with the
        // 32-bit fields as markers.
        Built b = build(two_stored());
        std::string zip64;
        put32(zip64, 0x06064B50);
        zip64 += std::string(52, '\0');
        put32(zip64, 0x07064B50);
        put32(zip64, 0);
        put32(zip64, static_cast<std::uint32_t>(b.end_record));
        put32(zip64, 0);
        put32(zip64, 1);
        b.bytes.insert(b.end_record, zip64);
        const std::size_t end = b.end_record + zip64.size();
        patch16(b.bytes, end + 8, 0xFFFF);
        patch16(b.bytes, end + 10, 0xFFFF);
        patch32(b.bytes, end + 12, 0xFFFFFFFF);
        patch32(b.bytes, end + 16, 0xFFFFFFFF);
        cases.push_back({"zip64 markers and locator", b.bytes, "zip.zip64", 50});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipReader reader(c.package);
        const Opened opened = open_package(reader);
        ASSERT_NE(nullptr, opened.identifier);
        EXPECT_STREQ(c.identifier, opened.identifier);
        EXPECT_EQ(expected_outcome(c.identifier, c.value, sys), outcome(opened.identifier, opened.code));
    }
}

TEST(ZipReaderOpen, EndRecordSearch) {
    {
        const std::string empty = build({}).bytes;
        ASSERT_EQ(22u, empty.size());
        ZipReader reader(empty);
        EXPECT_EQ(nullptr, open_package(reader).identifier);
        EXPECT_EQ(0, reader.entry_count());
    }
    {
        // A comment that holds a false end record announcing more comment than there is.
        std::string fake;
        put32(fake, 0x06054B50);
        fake += std::string(16, '\0');
        put16(fake, 100);
        const Built b = build(two_stored(), "", fake + "tail");
        ZipReader reader(b.bytes);
        EXPECT_EQ(nullptr, open_package(reader).identifier);
        EXPECT_EQ(2, reader.entry_count());
    }
    {
        // Two end records that both fit: the one nearer the end, which counts one entry
        // and takes the first end record as directory bytes after that entry.
        Built b = build(two_stored());
        std::string nearer = b.bytes.substr(b.end_record, 22);
        patch16(nearer, 10, 1);
        patch32(nearer, 12, static_cast<std::uint32_t>(b.end_record + 22 - b.directory));
        patch16(b.bytes, b.end_record + 20, 22);
        b.bytes += nearer;
        ZipReader reader(b.bytes);
        EXPECT_EQ(nullptr, open_package(reader).identifier);
        ASSERT_EQ(1, reader.entry_count());
        EXPECT_EQ("the first file", read_ok(reader, 0));
    }
}

TEST(ZipReaderOpen, BytesInFrontAndLongestCommentAreAllowed) {
    const std::string prefix(12345, '\x7F');
    const Built b = build(two_stored(), prefix, std::string(65535, 'c'));
    ZipReader reader(b.bytes);
    ASSERT_EQ(nullptr, open_package(reader).identifier);
    ASSERT_EQ(2, reader.entry_count());
    EXPECT_EQ(L"dir/second.bin", reader.entry_name(1));
    EXPECT_EQ("the first file", read_ok(reader, 0));
    EXPECT_EQ(std::string("\0\1\2second", 9), read_ok(reader, 1));
}

TEST(ZipReaderOpen, NameRunningPastTheDirectoryIsCut) {
    std::vector<Entry> entries(1);
    entries[0].name = "abc";
    Built b = build(entries);
    // 4 extra + 3 comment bytes follow the name: a name length of 12 passes the copy by 2.
    patch16(b.bytes, b.directory + 28, 12);
    ZipReader reader(b.bytes);
    ASSERT_EQ(nullptr, open_package(reader).identifier);
    EXPECT_EQ(L"abcXXXXcmt", reader.entry_name(0));
}

// Each failure of read_entry, with the outcome text the user would read.
TEST(ZipReaderRead, DamagedEntriesFailWithTheirIdentifierAndCode) {
    const auto& sys = boost::system::system_category();
    struct Case {
        const char* what;
        std::string package;
        int index;
        const char* identifier;
        int value;
        const boost::system::error_category* category;
    };
    std::vector<Case> cases;
    const Built good = build(two_stored());
    cases.push_back({"negative index", good.bytes, -1, "zip.idx", 22, &boost::system::generic_category()});
    cases.push_back({"index past the list", good.bytes, 2, "zip.idx", 22, &boost::system::generic_category()});
    {
        Built b = good;
        // Second record's offset field: directory + first record (46 + 9 + 7) + 42.
        patch32(b.bytes, b.directory + 62 + 42, 0x80000000u);
        cases.push_back({"top bit in the offset", b.bytes, 1, "zip.hdr.seek", 87, &sys});
        patch32(b.bytes, b.directory + 62 + 42, static_cast<std::uint32_t>(b.bytes.size()));
        cases.push_back({"offset at the end", b.bytes, 1, "zip.hdr.seek", 87, &sys});
        patch32(b.bytes, b.directory + 62 + 42, static_cast<std::uint32_t>(b.bytes.size() - 29));
        cases.push_back({"29 bytes left", b.bytes, 1, "zip.hdr.read", 38, &sys});
        patch32(b.bytes, b.directory + 62 + 42, 1);
        cases.push_back({"local signature", b.bytes, 1, "zip.hdr.signature", 11, &sys});
    }
    {
        Built b = good;
        patch16(b.bytes, b.local_headers[1] + 28, 0xFFFF);
        cases.push_back({"data starts past the end", b.bytes, 1, "zip.data.seek", 87, &sys});
    }
    {
        Built b = good;
        patch32(b.bytes, b.directory + 62 + 20, 0xFFFFFFF0u);
        cases.push_back({"compressed size past the end", b.bytes, 1, "zip.data.read", 38, &sys});
    }
    {
        std::vector<Entry> entries = two_stored();
        entries[0].method = 6;
        cases.push_back({"method 6", build(entries).bytes, 0, "zip.method", 0, &sys});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipReader reader(c.package);
        ASSERT_EQ(nullptr, open_package(reader).identifier);
        std::string output = "left over";
        error_code code(5, boost::system::generic_category());
        const char* identifier = reader.read_entry(c.index, output, code);
        ASSERT_NE(nullptr, identifier);
        EXPECT_STREQ(c.identifier, identifier);
        EXPECT_EQ(expected_outcome(c.identifier, c.value, *c.category), outcome(identifier, code));
        if (std::string(c.identifier) == "zip.data.read") {
            EXPECT_TRUE(output.empty());
        }
    }
}

TEST(ZipReaderRead, LocalHeaderLengthsAndFlagsAsStored) {
    std::vector<Entry> entries(2);
    entries[0].name = "a.txt";
    entries[0].local_name = "a-much-longer-local-name.txt";
    entries[0].local_extra = std::string(37, 'E');
    entries[0].data = "found through the local lengths";
    entries[1].name = "encrypted-and-described";
    entries[1].flags = 0x0001 | 0x0008 | 0x0800;
    entries[1].data = "read as if the flags were clear";
    const Built b = build(entries);
    ZipReader reader(b.bytes);
    ASSERT_EQ(nullptr, open_package(reader).identifier);
    EXPECT_EQ(L"a.txt", reader.entry_name(0));
    EXPECT_EQ("found through the local lengths", read_ok(reader, 0));
    EXPECT_EQ("read as if the flags were clear", read_ok(reader, 1));
}

TEST(ZipReaderRead, ContentWithAnotherCrcFails) {
    std::vector<Entry> entries = two_stored();
    entries[1].crc = crc32_of(entries[1].data) ^ 0x80000000u;
    const Built b = build(entries);
    EXPECT_EQ(L"", checked_outcome(b.bytes));
    ZipReader reader(b.bytes);
    ASSERT_EQ(nullptr, open_package(reader).identifier);
    EXPECT_EQ("the first file", read_ok(reader, 0));
    std::string output;
    error_code code;
    const char* identifier = reader.read_entry(1, output, code);
    ASSERT_STREQ("zip.crc", identifier);
    EXPECT_EQ(expected_outcome("zip.crc", 23, boost::system::system_category()), outcome(identifier, code));
}

// A bzip2 entry with its true CRC-32 and size, one byte of one block's data changed: the
// bzip2 decoder must report the block's checksum ("bz2.unpack", the library's -4) before
// the entry's CRC-32 is looked at, also when the damage makes the block longer than the
// recorded size. In the only block of a stream, and in the last of three.
TEST(ZipReaderRead, DamagedBzip2BlockIsReportedByTheBzip2Decoder) {
    std::string text;
    while (text.size() < 250000) text += "launcher package entry " + std::to_string(text.size() % 977) + "\n";
    // The byte after the last block's magic and checksum (10 bytes, at any bit offset).
    int blocks_found = 0;
    const auto last_block_data = [&blocks_found](const std::string& stream) {
        std::size_t last = 0;
        blocks_found = 0;
        for (std::size_t bit = 32; bit + 48 <= stream.size() * 8; ++bit) {
            std::uint64_t word = 0;
            for (std::size_t k = bit; k < bit + 48; ++k)
                word = word << 1 | ((static_cast<unsigned char>(stream[k / 8]) >> (7 - k % 8)) & 1u);
            if (word == 0x314159265359) {
                last = bit;
                ++blocks_found;
            }
        }
        return last / 8 + 11;
    };
    struct Case {
        const char* what;
        std::string plain;
        int blocks;
    };
    const Case cases[] = {{"one block", text.substr(0, 6000), 1}, {"last of three blocks", text, 3}};
    const std::wstring block_checksum = L"bz2.unpack: -4:bz2:-4";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string intact = bzip2_stream(c.plain, 1);
        const std::size_t from = last_block_data(intact);
        ASSERT_EQ(c.blocks, blocks_found);
        std::map<std::wstring, int> outcomes;
        // Every third byte of the block's data up to the end marker (the last 10 bytes).
        for (std::size_t at = from; at + 10 < intact.size(); at += 3) {
            std::vector<Entry> entries(1);
            entries[0].name = "damaged.txt";
            entries[0].method = 12;
            entries[0].data = intact;
            entries[0].data[at] ^= 0x55;
            entries[0].uncompressed = static_cast<std::int64_t>(c.plain.size());
            entries[0].crc = crc32_of(c.plain);
            const Built b = build(entries);
            ZipReader reader(b.bytes);
            ASSERT_EQ(nullptr, open_package(reader).identifier);
            std::string output;
            error_code code;
            const char* identifier = reader.read_entry(0, output, code);
            // A bit the decoder never looks at may be harmless; other content never is.
            ++outcomes[identifier ? outcome(identifier, code) : output == c.plain ? L"harmless" : L"other content"];
        }
        EXPECT_EQ(0, outcomes[L"other content"]);
        EXPECT_EQ(0, outcomes[expected_outcome("zip.crc", 23, boost::system::system_category())]);
        EXPECT_LT(0, outcomes[block_checksum]);
        for (const auto& [text_of, count] : outcomes) {
            if (count && text_of != L"harmless") {
                EXPECT_EQ(0u, text_of.rfind(L"bz2.unpack: ", 0)) << std::string(text_of.begin(), text_of.end());
            }
        }
    }
}

// An entry's uncompressed size must be one its method can decode to from its compressed
// size; read_entry refuses the others as check_entries does, before allocating anything.
TEST(ZipReaderCheck, SizesNoStreamCanProduceAreRefused) {
    struct Case {
        std::uint16_t method;
        std::size_t compressed;
        std::uint32_t uncompressed;
        bool possible;
    };
    const Case cases[] = {
        {0, 5, 5, true},           {0, 5, 4, false},          {0, 5, 100, false},
        {8, 10, 10320, true},      {8, 10, 10321, false},     {8, 0, 1, false},
        {12, 21, 0, true},         {12, 21, 1, false},        {12, 22, 46620000, true},
        {12, 22, 46620001, false}, {12, 2012, 0xFFFFFFF0u, true}, {12, 2011, 0xFFFFFFF0u, false},
        {14, 10, 70980, true},     {14, 10, 70981, false},    {99, 1, 0xFFFFFFFFu, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.method << ", " << c.compressed << " -> "
                                        << c.uncompressed);
        std::vector<Entry> entries = two_stored();
        entries[1].method = c.method;
        entries[1].data = std::string(c.compressed, '\x5A');
        entries[1].uncompressed = c.uncompressed;
        const Built b = build(entries);
        if (c.possible) {
            EXPECT_EQ(L"", checked_outcome(b.bytes));
            continue;
        }
        EXPECT_EQ(expected_outcome("zip.size", 11, boost::system::system_category()), checked_outcome(b.bytes));
        ZipReader reader(b.bytes);
        ASSERT_EQ(nullptr, open_package(reader).identifier);
        std::string output = "left over";
        error_code code;
        EXPECT_STREQ("zip.size", reader.read_entry(1, output, code));
        EXPECT_TRUE(output.empty());
    }
}

TEST(ZipReaderCheck, EntriesThatShareBytesAreRefused) {
    const auto& sys = boost::system::system_category();
    const std::size_t second_record = 46 + 9 + 7;  // first record: fixed part, name, extra, comment
    {
        Built b = build(two_stored());
        patch32(b.bytes, b.directory + second_record + 42, 0);
        EXPECT_EQ(expected_outcome("zip.overlap", 11, sys), checked_outcome(b.bytes)) << "one local header";
    }
    {
        // The first entry's data runs five bytes into the second's local header.
        std::vector<Entry> entries = two_stored();
        entries[0].uncompressed = static_cast<std::int64_t>(entries[0].data.size() + 5);
        Built b = build(entries);
        patch32(b.bytes, b.directory + 20, static_cast<std::uint32_t>(entries[0].data.size() + 5));
        EXPECT_EQ(expected_outcome("zip.overlap", 11, sys), checked_outcome(b.bytes)) << "into the next";
    }
    {
        // Listed in the other order than they lie: no bytes shared.
        Built b = build(two_stored());
        const std::string first = b.bytes.substr(b.directory, second_record);
        b.bytes.erase(b.directory, second_record);
        b.bytes.insert(b.end_record - second_record, first);
        EXPECT_EQ(L"", checked_outcome(b.bytes));
        ZipReader reader(b.bytes);
        ASSERT_EQ(nullptr, open_package(reader).identifier);
        EXPECT_EQ(L"first.txt", reader.entry_name(1));
    }
    {
        // The local header checks of read_entry run for every entry before any is decoded.
        Built b = build(two_stored());
        b.bytes[b.local_headers[1]] = 'Q';
        EXPECT_EQ(expected_outcome("zip.hdr.signature", 11, sys), checked_outcome(b.bytes));
    }
}

// Zeros packed as tightly as Python's zlib, bz2 and lzma modules pack them: the bounds
// on what a stream can decode to must let the real extremes through.
TEST(ZipReaderTools, TightestStreamsOfEachCompressorPassTheSizeCheck) {
    const std::string package = read_file(fixture_dir() + "zeros.zip");
    std::istringstream counts(read_file(fixture_dir() + "zeros.txt"));
    EXPECT_EQ(L"", checked_outcome(package));
    ZipReader reader(package);
    ASSERT_EQ(nullptr, open_package(reader).identifier);
    int index = 0;
    for (std::size_t count; counts >> count; ++index) {
        SCOPED_TRACE(index);
        const std::string data = read_ok(reader, index);
        EXPECT_EQ(count, data.size());
        EXPECT_EQ(std::string::npos, data.find_first_not_of('\0'));
    }
    EXPECT_EQ(3, index);
}

// Every byte of an entry's data damaged in turn (one bit of it, a different bit from
// byte to byte), in a stored, deflate, bzip2 and LZMA entry: each damaged entry is
// refused or decodes to its true content (a bit the decoder never looks at), never to
// other bytes.
TEST(ZipReaderTools, NoSingleBitDamageYieldsOtherContent) {
    const std::map<std::wstring, std::string> sources = load_sources();
    std::istringstream flips(read_file(fixture_dir() + "flips.txt"));
    std::string name;
    int index;
    std::size_t offset, length;
    int packages = 0;
    while (flips >> name >> index >> offset >> length) {
        SCOPED_TRACE(name);
        ++packages;
        std::string package = read_file(fixture_dir() + name);
        ZipReader reader(package);
        ASSERT_EQ(nullptr, open_package(reader).identifier);
        const std::string& source = sources.at(reader.entry_name(index));
        ASSERT_EQ(source, read_ok(reader, index));
        std::map<std::string, int> refused;
        int harmless = 0, other_content = 0;
        for (std::size_t at = 0; at < length; ++at) {
            char& byte = package[offset + at];
            const char flip = static_cast<char>(1 << at % 8);
            byte ^= flip;
            std::string output;
            error_code code;
            if (const char* identifier = reader.read_entry(index, output, code)) ++refused[identifier];
            else if (output == source) ++harmless;
            else ++other_content;
            byte ^= flip;
        }
        EXPECT_EQ(0, other_content);
        if (name == "python_stored.zip") {
            EXPECT_EQ(int(length), refused["zip.crc"]);
        }
    }
    EXPECT_EQ(4, packages);
}

TEST(Utf8Names, ConvertsToUtf16CodeUnitsWithReplacements) {
    const auto convert = [](const std::string& s) { return utf8_to_utf16(s.data(), s.size()); };
    EXPECT_EQ(L"", convert(""));
    EXPECT_EQ(std::wstring(L"a\0b", 3), convert(std::string("a\0b", 3)));
    EXPECT_EQ(L"\x00E9t\x00E9/\x65E5", convert("\xC3\xA9t\xC3\xA9/\xE6\x97\xA5"));
    EXPECT_EQ(L"\xD83C\xDFAE", convert("\xF0\x9F\x8E\xAE"));
    EXPECT_EQ(L"\xDBFF\xDFFF", convert("\xF4\x8F\xBF\xBF"));
    // Each maximal ill-formed subsequence is one replacement; the byte that broke it starts
    // the next sequence.
    EXPECT_EQ(L"\xFFFD" L"A", convert("\x80" "A"));
    EXPECT_EQ(L"\xFFFD\xFFFD", convert("\xC0\xAF"));              // overlong
    EXPECT_EQ(L"\xFFFD\xFFFD\xFFFD", convert("\xED\xA0\x80"));    // surrogate
    EXPECT_EQ(L"\xFFFD\xFFFD\xFFFD\xFFFD", convert("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_EQ(L"\xFFFD" L"A", convert("\xE6\x97" "A"));           // cut short
    EXPECT_EQ(L"\xFFFD", convert("\xF0\x9F\x8E"));                // cut at the end
    EXPECT_EQ(L"\xFFFD\xFFFD", convert("\xFE\xFF"));
}

TEST(Utf8Names, EncodesUtf16BackWithPairsJoinedAndLoneSurrogatesReplaced) {
    EXPECT_EQ("", utf16_to_utf8(L""));
    EXPECT_EQ("a\\b/\xC3\xA9\xE6\x97\xA5", utf16_to_utf8(L"a\\b/\x00E9\x65E5"));
    EXPECT_EQ("\xF0\x9F\x8E\xAE", utf16_to_utf8(L"\xD83C\xDFAE"));
    EXPECT_EQ("\xF4\x8F\xBF\xBF", utf16_to_utf8(L"\xDBFF\xDFFF"));
    EXPECT_EQ("\xEF\xBF\xBD" "a", utf16_to_utf8(L"\xD83C" L"a"));  // high surrogate alone
    EXPECT_EQ("\xEF\xBF\xBD", utf16_to_utf8(L"\xDFAE"));           // low surrogate alone
    EXPECT_EQ("\xEF\xBF\xBD", utf16_to_utf8(L"\xD83C"));           // cut at the end
    EXPECT_EQ("\xDF\xBF\xE0\xA0\x80", utf16_to_utf8(L"\x07FF\x0800"));
}
