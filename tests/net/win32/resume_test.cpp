// A body cut off by the network is asked for again from where it stopped, against the
// faults that tests/net/test_server.py injects on loopback: each case ends in the
// server's exact bytes or the downloader's own failure text, after a known number of
// requests. A real network adds only other timings.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/net/download.h"
#include "tests/net/win32/loopback_server.h"

namespace {

std::string fault_body() {
    std::string body(400000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 13 + i / 997) % 256);
    return body;
}

std::string changed_body() {
    std::string body(300000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 5 + 3) % 256);
    return body;
}

struct Outcome {
    std::string body;
    std::string error = "no error";
    std::vector<int> values;
    std::vector<std::string> requests;  // "range|if-range" of each request the server saw
    double seconds = 0;
};

class Continuation : public ::testing::Test {
protected:
    void SetUp() override {
        if (loopback_server().host.empty()) GTEST_SKIP() << "test server not running (CTest fixture net_server)";
    }

    // `stop_when_asked`: the answer to a question without a percentage is "stop".
    Outcome fetch(const std::string& scenario, bool stop_when_asked = false) {
        const std::wstring key = std::wstring(scenario.begin(), scenario.end()) + L"-" + std::to_wstring(++serial_) +
                                 L"-" + std::to_wstring(GetTickCount());
        const std::wstring base = L"http://" + loopback_server().host;
        Outcome outcome;
        const auto started = std::chrono::steady_clock::now();
        try {
            outcome.body = download_package_from(base + L"/drop/" + std::wstring(scenario.begin(), scenario.end()) +
                                                     L"/" + key,
                                                 [&](int v) {
                                                     outcome.values.push_back(v);
                                                     return !(stop_when_asked && v == PROGRESS_ASK_ONLY);
                                                 });
        } catch (const std::runtime_error& e) {
            outcome.error = e.what();
        }
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::istringstream seen(download_package_from(base + L"/count/" + key, [](int) { return true; }));
        std::size_t count = 0;
        seen >> count;
        std::string line;
        std::getline(seen, line);
        while (std::getline(seen, line)) outcome.requests.push_back(line);
        EXPECT_EQ(outcome.requests.size(), count);
        return outcome;
    }

    // Decreases of the shown value (questions without a percentage aside).
    static int times_back(const std::vector<int>& values) {
        int back = 0, last = -1;
        for (int v : values) {
            if (v == PROGRESS_ASK_ONLY) continue;
            if (v < last) ++back;
            last = v;
        }
        return back;
    }

private:
    int serial_ = 0;
};

TEST_F(Continuation, EachFaultEndsInTheServersBytesOrTheFirstFailuresText) {
    const std::string whole = fault_body(), changed = changed_body();
    struct Case {
        const char* scenario;
        const std::string* body;  // null: the download fails
        const char* error;
        std::size_t requests;
        int times_back;  // at most: the one start from zero may move the bar back once
        const char* if_range;  // what the continuation carried, when it was one
    };
    const Case cases[] = {
        {"reset10", &whole, "no error", 2, 0, "\"v1\""},
        {"reset50", &whole, "no error", 2, 0, "\"v1\""},
        {"reset99", &whole, "no error", 2, 0, "\"v1\""},
        {"close50", &whole, "no error", 2, 0, "\"v1\""},
        {"last-modified", &whole, "no error", 2, 0, "Tue, 08 Dec 2026 10:00:00 GMT"},
        // Ranges not served: the whole body again, once.
        {"ignore-range", &whole, "no error", 2, 1, "\"v1\""},
        {"ignore-range-drops", nullptr, "WinHttpReadData failed", 3, 1, "\"v1\""},
        // A new file under the same URL comes whole: never spliced onto the old one.
        {"changed", &changed, "no error", 2, 1, "\"v1\""},
        // An answer that cannot be used: the next request asks for the whole body.
        {"416", &whole, "no error", 3, 1, "\"v1\""},
        {"wrong-range", &whole, "no error", 3, 1, "\"v1\""},
        // Five requests in all, with waits of 1, 2, 4 and 8 s between them.
        {"down", nullptr, "WinHttpReadData failed", 5, 0, "\"v1\""},
        // Nothing to make a continuation safe with: the first failure stands.
        {"weak-etag", nullptr, "WinHttpReadData failed", 1, 0, nullptr},
        {"no-length", nullptr, "WinHttpReadData failed", 1, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        const Outcome outcome = fetch(c.scenario);
        EXPECT_EQ(outcome.error, c.error);
        if (c.body) {
            EXPECT_TRUE(outcome.body == *c.body) << outcome.body.size() << " bytes";
            ASSERT_FALSE(outcome.values.empty());
            EXPECT_EQ(outcome.values.back(), 80);
        }
        EXPECT_LE(times_back(outcome.values), c.times_back);
        ASSERT_EQ(outcome.requests.size(), c.requests);
        EXPECT_EQ(outcome.requests[0], "|") << "the first request asks for the whole body";
        if (c.if_range) {
            EXPECT_EQ(outcome.requests[1].substr(0, 6), "bytes=");
            EXPECT_EQ(outcome.requests[1].substr(outcome.requests[1].find('|') + 1), c.if_range);
        }
    }
}

// A server that stops sending for 70 s: the receive time-out (30 s) ends the read, and
// the rest comes with a continuation.
TEST_F(Continuation, AStalledTransferIsContinued) {
    const Outcome outcome = fetch("stall");
    EXPECT_EQ(outcome.error, "no error");
    EXPECT_TRUE(outcome.body == fault_body());
    EXPECT_EQ(outcome.requests.size(), 2u);
    std::printf("stalled transfer continued after %.1f s\n", outcome.seconds);
}

// A stop request is honoured while a read waits and while the downloader waits to try
// again: nothing more is asked of the server.
TEST_F(Continuation, AStopRequestEndsAWaitingReadAndAWaitBeforeTheNextRequest) {
    for (const char* scenario : {"stall", "down"}) {
        SCOPED_TRACE(scenario);
        const Outcome outcome = fetch(scenario, true);
        EXPECT_EQ(outcome.error, "User cancelled download");
        EXPECT_TRUE(outcome.body.empty());
        EXPECT_EQ(outcome.requests.size(), 1u);
        std::printf("%s: stopped after %.2f s\n", scenario, outcome.seconds);
    }
}

}  // namespace
