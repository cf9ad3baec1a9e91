#include "installer/net/win32/user_proxy.h"

#include "installer/base/win32/system_library.h"

namespace {

// WinHTTP hands its strings out with GlobalAlloc.
struct GlobalTextTraits : base::NullIsNone<wchar_t*> {
    static void close(wchar_t* text) noexcept { GlobalFree(text); }
};
using GlobalText = base::Scoped<GlobalTextTraits>;

// A lookup that hangs must not hold the installer for long (WinHTTP's own defaults wait
// for a minute or without end).
constexpr int LOOKUP_TIMEOUT_MS = 10000;

std::wstring text_of(const GlobalText& text) { return text ? std::wstring(text.get()) : std::wstring(); }

// RtlGetVersion, unlike GetVersionEx, reports the real version whatever the manifest says.
bool windows_8_1_or_later() {
    using GetVersion = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    const base::SystemLibrary ntdll(L"ntdll.dll");
    GetVersion get_version = nullptr;
    if (!ntdll.bind(get_version, "RtlGetVersion")) return false;
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (get_version(&version) != 0) return false;
    return version.dwMajorVersion > 6 || (version.dwMajorVersion == 6 && version.dwMinorVersion >= 3);
}

// One WinHttpGetProxyForUrl. False when it found nothing; a script's DIRECT answer is an
// empty result that ends the search.
bool ask_for_url(const WinHttpApi& api, HINTERNET lookup, const std::wstring& url, WINHTTP_AUTOPROXY_OPTIONS options,
                 UserProxy& found) {
    // The script's server gets the user's logon only once it has refused without it.
    for (BOOL logon : {FALSE, TRUE}) {
        options.fAutoLogonIfChallenged = logon;
        WINHTTP_PROXY_INFO info{};
        const BOOL answered = api.get_proxy_for_url(lookup, url.c_str(), &options, &info);
        const DWORD error = GetLastError();
        const GlobalText proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
        if (answered) {
            found = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && proxy
                        ? UserProxy{text_of(proxy), text_of(bypass)}
                        : UserProxy{};
            return true;
        }
        if (error != ERROR_WINHTTP_LOGIN_FAILURE) return false;
    }
    return false;
}

}  // namespace

DWORD user_proxy_access_type() {
    static const DWORD type =
        windows_8_1_or_later() ? WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    return type;
}

UserProxy resolve_user_proxy(const WinHttpApi& api, const std::wstring& url) {
    if (user_proxy_access_type() == WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY) return {};
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!api.get_ie_proxy_config(&config)) return {};
    const GlobalText named(config.lpszProxy), bypass(config.lpszProxyBypass), script(config.lpszAutoConfigUrl);

    if (config.fAutoDetect || script) {
        const InternetHandle lookup(
            api.open(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (lookup) {
            api.set_timeouts(lookup.get(), LOOKUP_TIMEOUT_MS, LOOKUP_TIMEOUT_MS, LOOKUP_TIMEOUT_MS, LOOKUP_TIMEOUT_MS);
            UserProxy found;
            WINHTTP_AUTOPROXY_OPTIONS options{};
            if (config.fAutoDetect) {
                options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
                options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
                if (ask_for_url(api, lookup.get(), url, options, found)) return found;
            }
            if (script) {
                options = WINHTTP_AUTOPROXY_OPTIONS{};
                options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
                options.lpszAutoConfigUrl = script.get();
                if (ask_for_url(api, lookup.get(), url, options, found)) return found;
            }
        }
    }
    if (named) return UserProxy{text_of(named), text_of(bypass)};
    return {};
}

InternetHandle open_user_proxy_session(const WinHttpApi& api, const wchar_t* agent, const UserProxy& proxy,
                                       DWORD flags) {
    if (proxy.proxy.empty())
        return InternetHandle(
            api.open(agent, user_proxy_access_type(), WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, flags));
    return InternetHandle(api.open(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.proxy.c_str(),
                                   proxy.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : proxy.bypass.c_str(), flags));
}
