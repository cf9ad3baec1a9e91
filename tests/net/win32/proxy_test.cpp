// The user's proxy settings through real WinHTTP calls: the settings value in this
// program's prefix, real proxies (tinyproxy, CTest fixture net_proxy) and the test server
// (fixture net_server), which serves the configuration scripts written here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <cwchar>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "installer/net/download.h"
#include "installer/net/win32/user_proxy.h"
#include "tests/net/win32/connection_settings.h"
#include "tests/net/win32/loopback_server.h"

namespace {

std::string proxy_file(const std::string& name) {
    const char* build = std::getenv("VELK_BINARY_DIR");
    return std::string("Z:") + (build ? build : "") + "/tests/net/test-proxy/" + name;
}

struct Proxies {
    std::string open, auth, down;  // host:port; down: nothing listens there
};

const Proxies& proxies() {
    static const Proxies found = [] {
        std::ifstream in(proxy_file("address"));
        Proxies p;
        in >> p.open >> p.auth >> p.down;
        return p;
    }();
    return found;
}

std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }
std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string server_host() { return narrow(loopback_server().host); }

// Whether a proxy's log gained a request line for the test server's /ok since this was made.
class ProxyLog {
public:
    explicit ProxyLog(const char* name) : path_(proxy_file(name)), start_(contents().size()) {}

    bool saw_ok() const {
        const std::string added = contents().substr(start_);
        // Wine writes the default port into the request's URL, Windows does not.
        for (const std::string& url : {server_host() + "/ok ", server_host() + ":80/ok "})
            if (added.find("GET http://" + url) != std::string::npos) return true;
        return false;
    }

private:
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string path_;
    std::size_t start_;
};

// A configuration script served by the test server. Wine keeps a script for a minute by
// its URL, so every case names its own.
std::string serve_script(const std::string& name, const std::string& answer) {
    CreateDirectoryA(loopback_server_file("files").c_str(), nullptr);
    std::ofstream(loopback_server_file("files/" + name))
        << "function FindProxyForURL(url, host) { return \"" << answer << "\"; }\n";
    return "http://" + server_host() + "/files/" + name;
}

std::string expected_body() {
    std::string body;
    for (int i = 0; i < 100000; ++i) body.push_back(static_cast<char>(i * 7 % 251));
    return body;
}

class UserProxySettings : public ::testing::Test {
protected:
    void SetUp() override {
        if (loopback_server().host.empty()) GTEST_SKIP() << "test server not running (CTest fixture net_server)";
        if (proxies().down.empty()) GTEST_SKIP() << "proxies not running (CTest fixture net_proxy)";
    }
};

// No value at all: what every other case of this program sees.
const std::vector<BYTE> NO_VALUE;

TEST_F(UserProxySettings, DownloadsGoWhereTheSettingsSay) {
    struct Case {
        const char* name;
        std::vector<BYTE> settings;
        const char* outcome;
        const char* proxy_seen;  // "open", "auth" or none
    };
    const Proxies& p = proxies();
    const Case cases[] = {
        {"no settings", NO_VALUE, "no error", nullptr},
        {"named proxy", connection_settings(SETTINGS_NAMED, p.open), "no error", "open"},
        {"script", connection_settings(SETTINGS_SCRIPT, "", "", serve_script("download.pac", "PROXY " + p.open)),
         "no error", "open"},
        {"detection fails, then the script",
         connection_settings(SETTINGS_DETECT | SETTINGS_SCRIPT, "", "",
                             serve_script("after-detect.pac", "PROXY " + p.open)),
         "no error", "open"},
        {"nothing listens at the proxy", connection_settings(SETTINGS_NAMED, p.down), "WinHttpSendRequest failed",
         nullptr},
        {"proxy asks for credentials", connection_settings(SETTINGS_NAMED, p.auth), "HTTP error: 407", "auth"},
        {"bypass list names the server", connection_settings(SETTINGS_NAMED, p.open, "other.example;" + server_host()),
         "no error", nullptr},
        {"direct", connection_settings(SETTINGS_DIRECT, p.open), "no error", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedConnectionSettings settings(c.settings);
        ASSERT_TRUE(settings.written());
        const ProxyLog open_log("open.log"), auth_log("auth.log");
        std::string body, outcome = "no error";
        try {
            body = download_package_from(wide("http://" + server_host() + "/ok"), [](int) { return true; });
        } catch (const std::runtime_error& e) {
            outcome = e.what();
        }
        EXPECT_EQ(outcome, c.outcome);
        if (outcome == "no error") {
            EXPECT_TRUE(body == expected_body());
        }
        const std::string seen = c.proxy_seen ? c.proxy_seen : "";
        EXPECT_EQ(open_log.saw_ok(), seen == "open");
        EXPECT_EQ(auth_log.saw_ok(), seen == "auth");
    }
}

TEST_F(UserProxySettings, ResolvedFromEachKindOfSettings) {
    struct Case {
        const char* name;
        std::vector<BYTE> settings;
        std::wstring proxy, bypass;
    };
    const std::string named = "named.example:3128", script = "script.example:8080";
    std::vector<BYTE> header_only = connection_settings(SETTINGS_NAMED);
    header_only.resize(12);
    const Case cases[] = {
        {"no value: detection, which finds nothing here", NO_VALUE, L"", L""},
        {"named", connection_settings(SETTINGS_NAMED, named), wide(named), L""},
        {"named with bypass list", connection_settings(SETTINGS_NAMED, named, "*.local;<local>"), wide(named),
         L"*.local;<local>"},
        {"texts whose flags are off", connection_settings(SETTINGS_DIRECT, named, "b", "http://x/y.pac"), L"", L""},
        {"script", connection_settings(SETTINGS_SCRIPT, "", "", serve_script("resolve.pac", "PROXY " + script)),
         wide(script), L""},
        {"detection fails, named",
         connection_settings(SETTINGS_DETECT | SETTINGS_NAMED, named, "b.example"), wide(named), L"b.example"},
        {"script missing, named",
         connection_settings(SETTINGS_SCRIPT | SETTINGS_NAMED, named, "", "http://" + server_host() + "/files/none.pac"),
         wide(named), L""},
        {"script answers DIRECT, named unused",
         connection_settings(SETTINGS_SCRIPT | SETTINGS_NAMED, named, "", serve_script("direct.pac", "DIRECT")), L"",
         L""},
        {"script answers a list", connection_settings(SETTINGS_SCRIPT, "", "", serve_script("list.pac",
                                                                                         "PROXY " + script + "; DIRECT")),
         wide(script), L""},
        {"header only", header_only, L"", L""},
        {"other magic", connection_settings(SETTINGS_NAMED, named, "", "", 0x45), L"", L""},
    };
    const std::wstring url = wide("http://" + server_host() + "/ok");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedConnectionSettings settings(c.settings);
        ASSERT_TRUE(settings.written());
        const UserProxy found = resolve_user_proxy(winhttp_api(), url);
        EXPECT_EQ(found.proxy, c.proxy);
        EXPECT_EQ(found.bypass, c.bypass);
    }
}

TEST(UserProxyAccess, WineTakesTheLookupPath) {
    // Wine 8 accepts the automatic access type and then ignores the user's settings.
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "not Wine";
    EXPECT_EQ(user_proxy_access_type(), static_cast<DWORD>(WINHTTP_ACCESS_TYPE_DEFAULT_PROXY));
}

// Steps Wine cannot take for real (it finds no WPAD, its script server never asks for a
// logon), played by a table whose lookups answer as each case says.
struct Lookup {
    DWORD flags = 0;
    std::wstring script;
    BOOL logon = FALSE;
};
struct Scripted {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    std::vector<DWORD> errors;  // one a lookup, 0: answers with proxy; later lookups fail
    std::wstring proxy;
    std::vector<Lookup> lookups;
};
Scripted scripted;

wchar_t* global_copy(const std::wstring& text) {
    if (text.empty()) return nullptr;
    auto* copy = static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, (text.size() + 1) * sizeof(wchar_t)));
    wcscpy(copy, text.c_str());
    return copy;
}

BOOL WINAPI scripted_config(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG* config) {
    *config = scripted.config;
    config->lpszProxy = global_copy(scripted.config.lpszProxy ? scripted.config.lpszProxy : L"");
    config->lpszProxyBypass = nullptr;
    config->lpszAutoConfigUrl = global_copy(scripted.config.lpszAutoConfigUrl ? scripted.config.lpszAutoConfigUrl : L"");
    return TRUE;
}

BOOL WINAPI scripted_lookup(HINTERNET, LPCWSTR, WINHTTP_AUTOPROXY_OPTIONS* options, WINHTTP_PROXY_INFO* info) {
    scripted.lookups.push_back(
        {options->dwFlags, options->lpszAutoConfigUrl ? options->lpszAutoConfigUrl : L"", options->fAutoLogonIfChallenged});
    const std::size_t n = scripted.lookups.size() - 1;
    const DWORD error = n < scripted.errors.size() ? scripted.errors[n] : ERROR_WINHTTP_AUTODETECTION_FAILED;
    SetLastError(error);
    if (error) return FALSE;
    info->dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    info->lpszProxy = global_copy(scripted.proxy);
    info->lpszProxyBypass = nullptr;
    return TRUE;
}

TEST(UserProxyOrder, DetectionThenScriptThenNamed) {
    const DWORD detect = WINHTTP_AUTOPROXY_AUTO_DETECT, script = WINHTTP_AUTOPROXY_CONFIG_URL;
    struct Case {
        const char* name;
        std::vector<DWORD> errors;
        std::wstring proxy;
        std::vector<DWORD> flags;
        std::vector<BOOL> logons;
    };
    const Case cases[] = {
        {"detection answers", {0}, L"answer.example:1", {detect}, {FALSE}},
        {"script answers", {ERROR_WINHTTP_AUTODETECTION_FAILED, 0}, L"answer.example:1", {detect, script}, {FALSE, FALSE}},
        {"script wants the logon",
         {ERROR_WINHTTP_AUTODETECTION_FAILED, ERROR_WINHTTP_LOGIN_FAILURE, 0},
         L"answer.example:1",
         {detect, script, script},
         {FALSE, FALSE, TRUE}},
        {"nothing answers", {ERROR_WINHTTP_AUTODETECTION_FAILED, ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT},
         L"named.example:2", {detect, script}, {FALSE, FALSE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scripted = Scripted{};
        scripted.config.fAutoDetect = TRUE;
        scripted.config.lpszProxy = const_cast<wchar_t*>(L"named.example:2");
        scripted.config.lpszAutoConfigUrl = const_cast<wchar_t*>(L"http://config.example/proxy.pac");
        scripted.errors = c.errors;
        scripted.proxy = L"answer.example:1";
        WinHttpApi api = winhttp_api();
        api.get_ie_proxy_config = scripted_config;
        api.get_proxy_for_url = scripted_lookup;

        EXPECT_EQ(resolve_user_proxy(api, L"http://server.example/ok").proxy, c.proxy);
        ASSERT_EQ(scripted.lookups.size(), c.flags.size());
        for (std::size_t i = 0; i < c.flags.size(); ++i) {
            EXPECT_EQ(scripted.lookups[i].flags, c.flags[i]);
            EXPECT_EQ(scripted.lookups[i].logon, c.logons[i]);
            EXPECT_EQ(scripted.lookups[i].script, c.flags[i] == script ? L"http://config.example/proxy.pac" : L"");
        }
    }
}

}  // namespace
