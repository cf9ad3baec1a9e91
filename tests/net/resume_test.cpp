#include <gtest/gtest.h>

#include <string>

#include "installer/net/read_size.h"
#include "installer/net/resume.h"

namespace {

TEST(Resume, WaitsDoubleFromOneSecond) {
    EXPECT_EQ(retry_wait_ms(1), 1000u);
    EXPECT_EQ(retry_wait_ms(2), 2000u);
    EXPECT_EQ(retry_wait_ms(3), 4000u);
    EXPECT_EQ(retry_wait_ms(4), 8000u);
    EXPECT_EQ(DOWNLOAD_ATTEMPTS, 5);
}

TEST(Resume, ValidatorIsAStrongETagElseLastModified) {
    const std::wstring date = L"Tue, 08 Dec 2026 10:00:00 GMT";
    EXPECT_EQ(pick_validator(L"\"v1\"", date), L"\"v1\"");
    EXPECT_EQ(pick_validator(L"W/\"v1\"", date), date);
    EXPECT_EQ(pick_validator(L"W/\"v1\"", L""), L"");
    EXPECT_EQ(pick_validator(L"", date), date);
    EXPECT_EQ(pick_validator(L"", L""), L"");
    EXPECT_EQ(range_headers(200000, L"\"v1\""), L"Range: bytes=200000-\r\nIf-Range: \"v1\"\r\n");
}

TEST(Resume, ContentRangeForms) {
    struct Case {
        const wchar_t* text;
        bool valid;
        std::uint64_t first = 0, last = 0, total = 0;
    };
    const Case cases[] = {
        {L"bytes 100-999/1000", true, 100, 999, 1000},
        {L"Bytes 0-0/1", true, 0, 0, 1},
        {L" bytes  5-9/10 ", true, 5, 9, 10},
        {L"bytes 100-999/*", false, 0, 0, 0},
        {L"bytes */1000", false, 0, 0, 0},
        {L"bytes 100-99/1000", false, 0, 0, 0},       // last before first
        {L"bytes 100-1000/1000", false, 0, 0, 0},     // past the end
        {L"bytes -1-999/1000", false, 0, 0, 0},
        {L"bytes 100-999/1000x", false, 0, 0, 0},
        {L"items 100-999/1000", false, 0, 0, 0},
        {L"bytes 100-999/99999999999999999999999", false, 0, 0, 0},
        {L"", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ContentRange range;
        EXPECT_EQ(parse_content_range(c.text, range), c.valid) << c.text;
        if (!c.valid) continue;
        EXPECT_EQ(range.first, c.first);
        EXPECT_EQ(range.last, c.last);
        EXPECT_EQ(range.total, c.total);
    }
}

TEST(Resume, AnswersToAContinuation) {
    struct Case {
        unsigned long status;
        const wchar_t* content_range;
        RangeAnswer answer;
    };
    // Continuing a body of 1000 bytes from byte 400.
    const Case cases[] = {
        {206, L"bytes 400-999/1000", RangeAnswer::append},
        {206, L"bytes 0-999/1000", RangeAnswer::start_over},     // other bytes
        {206, L"bytes 400-998/1000", RangeAnswer::start_over},   // not the rest
        {206, L"bytes 400-1199/1200", RangeAnswer::start_over},  // another length
        {206, L"", RangeAnswer::start_over},
        {200, L"", RangeAnswer::start_over_with_this},
        {416, L"bytes */1000", RangeAnswer::start_over},
        {503, L"", RangeAnswer::try_again},
        {404, L"", RangeAnswer::try_again},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judge_range_answer(c.status, c.content_range, 400, 1000), c.answer)
            << c.status << " " << std::string(c.content_range, c.content_range + wcslen(c.content_range));
}

}  // namespace

namespace {

// About a tenth of a second's worth at the last read's speed, in powers of two.
TEST(ReadSize, FollowsTheSpeedWithinItsBounds) {
    EXPECT_EQ(next_read_size(0, 0), 4 * SMALLEST_READ);      // the first read
    EXPECT_EQ(next_read_size(65536, 0), LARGEST_READ);       // came at once
    EXPECT_EQ(next_read_size(65536, 100), 65536u);            // exactly on target
    EXPECT_EQ(next_read_size(65536, 40), 131072u);            // 164 KiB a tenth: rounded down
    EXPECT_EQ(next_read_size(1u << 20, 1), LARGEST_READ);    // loopback speed
    EXPECT_EQ(next_read_size(1000, 50), SMALLEST_READ);       // a trickle
    EXPECT_EQ(next_read_size(0, 30000), SMALLEST_READ);       // nothing for a while
}

}  // namespace
