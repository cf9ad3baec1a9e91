// Every WinHTTP handle the downloader opens is closed, request first, on every path.
// The real calls run underneath: the table only counts them, or fails one on purpose
// where the platform never fails for the downloader's arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "installer/net/download.h"
#include "installer/net/win32/winhttp_api.h"
#include "tests/net/win32/connection_settings.h"
#include "tests/net/win32/loopback_server.h"

namespace {

enum class Fail { nothing, open, connect, open_request };

struct Log {
    std::vector<HINTERNET> opened, closed;
    Fail fail = Fail::nothing;
};
Log calls;
// The table as loaded: the counting entries call through it.
WinHttpApi real;

HINTERNET record(HINTERNET handle) {
    if (handle) calls.opened.push_back(handle);
    return handle;
}

HINTERNET WINAPI counted_open(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
    if (calls.fail == Fail::open) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return record(real.open(agent, access, proxy, bypass, flags));
}

HINTERNET WINAPI counted_connect(HINTERNET session, LPCWSTR server, INTERNET_PORT port, DWORD reserved) {
    if (calls.fail == Fail::connect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return record(real.connect(session, server, port, reserved));
}

HINTERNET WINAPI counted_open_request(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version,
                                      LPCWSTR referrer, LPCWSTR* accept, DWORD flags) {
    if (calls.fail == Fail::open_request) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return record(real.open_request(connection, verb, object, version, referrer, accept, flags));
}

BOOL WINAPI counted_close(HINTERNET handle) {
    calls.closed.push_back(handle);
    return real.close_handle(handle);
}

class Handles : public ::testing::Test {
protected:
    void SetUp() override {
        if (loopback_server().host.empty()) GTEST_SKIP() << "test server not running (CTest fixture net_server)";
        // Settings that ask for no proxy lookup: only the download's own handles are counted.
        direct_ = std::make_unique<ScopedConnectionSettings>(connection_settings(SETTINGS_DIRECT));
        saved_ = winhttp_api();
        real = saved_;
        WinHttpApi counted = saved_;
        counted.open = counted_open;
        counted.connect = counted_connect;
        counted.open_request = counted_open_request;
        counted.close_handle = counted_close;
        winhttp_api() = counted;
        calls = Log{};
    }
    void TearDown() override {
        if (!loopback_server().host.empty()) winhttp_api() = saved_;
    }

    // The error text, or "no error"; values receives the reports.
    std::string run(const std::wstring& url, bool answer = true) {
        calls.opened.clear();
        calls.closed.clear();
        values.clear();
        try {
            download_package_from(url, [&](int v) {
                values.push_back(v);
                return answer;
            });
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "no error";
    }
    std::string run_path(const std::wstring& path, bool answer = true) {
        return run(L"http://" + loopback_server().host + path, answer);
    }
    static std::vector<HINTERNET> closing_order() {
        std::vector<HINTERNET> order(calls.opened.rbegin(), calls.opened.rend());
        return order;
    }

    std::vector<int> values;

private:
    WinHttpApi saved_;
    std::unique_ptr<ScopedConnectionSettings> direct_;
};

TEST_F(Handles, AllThreeClosedInReverseOnSuccessAndEveryFailureAfterTheRequest) {
    struct Case {
        std::wstring path;
        const char* outcome;
    };
    const Case cases[] = {
        {L"/ok", "no error"},
        {L"/chunked", "no error"},
        {L"/short", "no error"},
        {L"/redirect", "no error"},
        {L"/status/404", "HTTP error: 404"},
        {L"/length/12a", "Invalid Content-Length"},
        {L"/length-empty", "Invalid Content-Length"},
        {L"/silent", "WinHttpReceiveResponse failed"},
        {L"/reset", "WinHttpReadData failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        EXPECT_EQ(run_path(c.path), c.outcome);
        EXPECT_EQ(calls.opened.size(), 3u);
        EXPECT_EQ(calls.closed, closing_order());
    }
    SCOPED_TRACE("nothing listening");
    EXPECT_EQ(run(L"http://" + loopback_server().closed_host + L"/ok"), "WinHttpSendRequest failed");
    EXPECT_EQ(calls.opened.size(), 3u);
    EXPECT_EQ(calls.closed, closing_order());
}

TEST_F(Handles, CancelAtTheFirstReportClosesAllThree) {
    EXPECT_EQ(run_path(L"/slow", false), "User cancelled download");
    EXPECT_EQ(values.size(), 1u);
    EXPECT_EQ(calls.opened.size(), 3u);
    EXPECT_EQ(calls.closed, closing_order());
}

TEST_F(Handles, HandlesAreClosedBeforeTheFinalReport) {
    std::size_t closed_at_report = 0;
    download_package_from(L"http://" + loopback_server().host + L"/chunked", [&](int) {
        closed_at_report = calls.closed.size();
        return true;
    });
    EXPECT_EQ(closed_at_report, 3u);
}

TEST_F(Handles, FailedOpeningCallsCloseWhatWasOpenedBefore) {
    calls.fail = Fail::open;
    EXPECT_EQ(run_path(L"/ok"), "WinHttpOpen failed");
    EXPECT_TRUE(calls.opened.empty());
    EXPECT_TRUE(calls.closed.empty());

    calls.fail = Fail::connect;
    EXPECT_EQ(run_path(L"/ok"), "WinHttpConnect failed");
    EXPECT_EQ(calls.opened.size(), 1u);
    EXPECT_EQ(calls.closed, closing_order());

    calls.fail = Fail::open_request;
    EXPECT_EQ(run_path(L"/ok"), "WinHttpOpenRequest failed");
    EXPECT_EQ(calls.opened.size(), 2u);
    EXPECT_EQ(calls.closed, closing_order());
    EXPECT_TRUE(values.empty());
}

TEST_F(Handles, UrlErrorsOpenNothing) {
    EXPECT_EQ(run(L"ftp://" + loopback_server().host + L"/ok"), "Unsupported protocol (only http/https)");
    EXPECT_TRUE(calls.opened.empty());
    EXPECT_EQ(run(loopback_server().host + L"/ok"), "Invalid URL: no '://'");
    EXPECT_TRUE(calls.opened.empty());
}

}  // namespace
