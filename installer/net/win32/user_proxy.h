#pragma once
// The proxy the user's Internet settings name (the browser's own): a named proxy, a
// configuration script or auto-detection. WINHTTP_ACCESS_TYPE_DEFAULT_PROXY alone reads only
// the machine's WinHTTP setting, which most networks with a proxy never set.
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "installer/net/win32/internet_handle.h"
#include "installer/net/win32/winhttp_api.h"

// The access type to open a download session with when no proxy was resolved:
// WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY on Windows 8.1 and later, where the platform applies
// the user's settings itself; WINHTTP_ACCESS_TYPE_DEFAULT_PROXY elsewhere (Wine 8 among
// them: it accepts the automatic type and then goes direct).
DWORD user_proxy_access_type();

// What the user's settings say for one URL. An empty proxy: the access type above decides.
struct UserProxy {
    std::wstring proxy;
    std::wstring bypass;
};

// Where the automatic access type exists: an empty UserProxy. Elsewhere, in this order:
// auto-detection (DHCP, then DNS) if the settings ask for it, the configuration script if
// they name one, the named proxy with its bypass list, else nothing. Looked up once per
// download, in a synchronous session of its own; a failed step falls through to the next.
UserProxy resolve_user_proxy(const WinHttpApi& api, const std::wstring& url);

// The download session, with the resolved proxy named at open. A proxy set later as a
// handle option (WINHTTP_OPTION_PROXY) is accepted and ignored by Wine 8, which takes the
// proxy from the session when it connects; naming it here works on both.
InternetHandle open_user_proxy_session(const WinHttpApi& api, const wchar_t* agent, const UserProxy& proxy,
                                       DWORD flags);
