#include <gtest/gtest.h>

#include <stdexcept>
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
    EXPECT_EQ(parse_content_length(L"4294967297"), 1u);  // the low 32 bits
}

TEST(ContentLength, RejectsTrailingTextOrNoDigits) {
    for (const wchar_t* bad : {L"12a", L"", L" ", L"abc", L"12 ", L"0x10", L"--1", L"1.5"})
        EXPECT_EQ(length_error_of(bad), "Invalid Content-Length");
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

TEST(DownloadProgress, WithoutLengthOnlyOneHundredAtTheEnd) {
    Recorder r;
    r.answer = false;  // the final answer is ignored
    const ProgressFn fn = r.fn();
    DownloadProgress progress(0, fn);
    progress.report(5000);
    progress.report(900000);
    EXPECT_NO_THROW(progress.finish());
    EXPECT_EQ(r.values, (std::vector<int>{100}));
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
