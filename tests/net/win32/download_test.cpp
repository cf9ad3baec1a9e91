// The downloader through real WinHTTP calls against tests/net/test_server.py on loopback.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include <boost/system/error_code.hpp>

#include "installer/net/download.h"
#include "tests/net/win32/loopback_server.h"

namespace {

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        if (loopback_server().host.empty()) GTEST_SKIP() << "test server not running (CTest fixture net_server)";
    }
    std::wstring url(const std::wstring& path) const { return L"http://" + loopback_server().host + path; }

    std::string get(const std::wstring& path) {
        values.clear();
        return download_package_from(url(path), [this](int v) {
            values.push_back(v);
            return answer;
        });
    }
    std::string error_of(const std::wstring& path) {
        try {
            get(path);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    }

    std::vector<int> values;
    bool answer = true;
};

std::string expected_body(std::size_t n = 100000) {
    std::string body;
    for (std::size_t i = 0; i < n; ++i) body.push_back(static_cast<char>(i * 7 % 251));
    return body;
}

TEST_F(Download, BodyWithLengthReportsUpToEighty) {
    EXPECT_EQ(get(L"/ok"), expected_body());
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 80);
    for (std::size_t i = 1; i < values.size(); ++i) EXPECT_LT(values[i - 1], values[i]);
    EXPECT_LE(values.size(), 81u);
}

TEST_F(Download, PausedBlocksArriveWhole) {
    EXPECT_EQ(get(L"/paused"), expected_body());
    EXPECT_EQ(values.back(), 80);
}

TEST_F(Download, QueryIsSentUnchanged) { EXPECT_EQ(get(L"/ok?a=1&b=%41"), "/ok?a=1&b=%41"); }

TEST_F(Download, ChunkedBodyAsksAtEveryBlockAndShowsOnlyOneHundredAtTheEnd) {
    EXPECT_EQ(get(L"/chunked"), expected_body());
    ASSERT_GT(values.size(), 1u);
    EXPECT_EQ(values.back(), 100);
    values.pop_back();
    for (int v : values) EXPECT_EQ(v, PROGRESS_ASK_ONLY);
}

TEST_F(Download, AStopRequestEndsADownloadWithoutLengthAtTheNextBlock) {
    answer = false;
    EXPECT_EQ(error_of(L"/trickle"), "User cancelled download");
    EXPECT_EQ(values, std::vector<int>{PROGRESS_ASK_ONLY});
}

TEST_F(Download, MoreThanAnnouncedGoesPastEighty) {
    EXPECT_EQ(get(L"/double"), expected_body());
    EXPECT_EQ(values.back(), 160);
}

TEST_F(Download, ShortBodyIsReturnedAsItArrived) {
    const std::string body = get(L"/short");
    EXPECT_EQ(body, expected_body(30000));
}

TEST_F(Download, RedirectIsFollowed) { EXPECT_EQ(get(L"/redirect"), expected_body()); }

TEST_F(Download, LengthHeaderRules) {
    EXPECT_EQ(get(L"/length/12345").size(), 12345u);
    EXPECT_EQ(values.back(), 80);
    EXPECT_EQ(get(L"/length/%2012345").size(), 12345u);
    EXPECT_EQ(error_of(L"/length/12a"), "Invalid Content-Length");
}

// A 32-bit process cannot hold 4 GiB in one block: refused before the body is read, with
// the coded error and not an allocation failure.
TEST_F(Download, LengthThisProcessCannotHoldIsRefused) {
    if (sizeof(void*) == 4) {
        EXPECT_EQ(error_of(L"/length/4294967295"),
                  "dl.memory: " + boost::system::error_code(8, boost::system::system_category()).message());
        EXPECT_TRUE(values.empty());
    } else {
        EXPECT_EQ(get(L"/length/4294967295").size(), 12345u);  // a short body, as it arrived
    }
}

TEST_F(Download, StatusOtherThan200IsAnError) {
    EXPECT_EQ(error_of(L"/status/404"), "HTTP error: 404");
    EXPECT_EQ(error_of(L"/status/206"), "HTTP error: 206");
    EXPECT_EQ(error_of(L"/status/204"), "HTTP error: 204");
    EXPECT_EQ(error_of(L"/status/500"), "HTTP error: 500");
}

TEST_F(Download, CancelAtFirstReport) {
    answer = false;
    EXPECT_EQ(error_of(L"/slow"), "User cancelled download");
    EXPECT_EQ(values.size(), 1u);
}

TEST_F(Download, EmptyLengthHeaderIsInvalid) { EXPECT_EQ(error_of(L"/length-empty"), "Invalid Content-Length"); }

TEST_F(Download, NoStatusLineIsNoResponse) {
    EXPECT_EQ(error_of(L"/silent"), "WinHttpReceiveResponse failed");
    EXPECT_EQ(error_of(L"/garbage"), "WinHttpReceiveResponse failed");
    EXPECT_TRUE(values.empty());
}

TEST_F(Download, ConnectionResetMidBody) { EXPECT_EQ(error_of(L"/reset"), "WinHttpReadData failed"); }

TEST_F(Download, NothingListening) {
    try {
        download_package_from(L"http://" + loopback_server().closed_host + L"/ok", [](int) { return true; });
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "WinHttpSendRequest failed");
    }
}

}  // namespace
