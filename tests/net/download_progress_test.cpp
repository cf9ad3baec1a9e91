#include <gtest/gtest.h>

#include <climits>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/net/download_progress.h"

namespace {

struct Recorder {
    std::vector<int> values;
    bool answer = true;
    ProgressFn fn() {
        return [this](int v) {
            values.push_back(v);
            return answer;
        };
    }
};

std::string length_error_of(const std::wstring& text) {
    try {
        parse_content_length(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

TEST(ContentLength, AcceptsDecimalWithLeadingSpaceAndSign) {
    EXPECT_EQ(parse_content_length(L"12345"), 12345u);
    EXPECT_EQ(parse_content_length(L" 12345"), 12345u);
    EXPECT_EQ(parse_content_length(L"\t+7"), 7u);
    EXPECT_EQ(parse_content_length(L"0"), 0u);
    EXPECT_EQ(parse_content_length(L"4294967295"), 4294967295u);
}

TEST(ContentLength, RejectsTrailingTextNoDigitsAndLengthsBeyond32Bits) {
    for (const wchar_t* bad : {L"12a", L"", L" ", L"abc", L"12 ", L"0x10", L"--1", L"1.5", L"4294967296",
                               L"4294967297", L"-1", L"-4294967295", L"99999999999999999999999"})
        EXPECT_EQ(length_error_of(bad), "Invalid Content-Length") << std::string(bad, bad + wcslen(bad));
    EXPECT_EQ(length_error_of(std::wstring(L"12\0" L"34", 5)), "Invalid Content-Length");
}

TEST(DownloadProgress, ReportsEightyPercentSpanOnlyOnChange) {
    Recorder r;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(1000, fn);
    std::uint64_t received = 0;
    for (int block : {100, 200, 300, 400}) progress.report(received += block);
    progress.finish();
    EXPECT_EQ(r.values, (std::vector<int>{8, 24, 48, 80}));
}

TEST(DownloadProgress, FirstReportMayBeZeroAndRepeatsAreDropped) {
    Recorder r;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(1000000, fn);
    progress.report(10);
    progress.report(20);
    progress.report(12500);
    progress.report(12600);
    EXPECT_EQ(r.values, (std::vector<int>{0, 1}));
}

TEST(DownloadProgress, MoreThanAnnouncedGoesPastEighty) {
    Recorder r;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(16384, fn);
    for (int i = 1; i <= 2; ++i) progress.report(16384u * i);
    EXPECT_EQ(r.values, (std::vector<int>{80, 160}));
}

TEST(DownloadProgress, FarMoreThanAnnouncedSaturatesInsteadOfOverflowing) {
    Recorder r;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(1, fn);
    progress.report(3000000000u);
    EXPECT_EQ(r.values, (std::vector<int>{INT32_MAX}));
}

TEST(DownloadProgress, WithoutLengthAsksAtEveryBlockAndShowsOnlyOneHundredAtTheEnd) {
    Recorder r;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(0, fn);
    progress.report(5000);
    progress.report(900000);
    r.answer = false;  // the final answer is ignored
    EXPECT_NO_THROW(progress.finish());
    EXPECT_EQ(r.values, (std::vector<int>{PROGRESS_ASK_ONLY, PROGRESS_ASK_ONLY, 100}));
}

TEST(DownloadProgress, WithoutLengthAFalseAnswerStops) {
    Recorder r;
    r.answer = false;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(0, fn);
    try {
        progress.report(16384);
        FAIL() << "no cancellation";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "User cancelled download");
    }
}

TEST(DownloadProgress, FalseAnswerCancels) {
    Recorder r;
    r.answer = false;
    const ProgressFn fn = r.fn();
    DownloadProgress progress(100, fn);
    try {
        progress.report(1);
        FAIL() << "no cancellation";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "User cancelled download");
    }
    EXPECT_EQ(r.values, (std::vector<int>{0}));
}

}  // namespace
