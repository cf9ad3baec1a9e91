#include "installer/net/win32/winhttp_api.h"

#include "installer/base/win32/system_library.h"

namespace {

WinHttpApi bind_winhttp(const base::SystemLibrary& library) {
    WinHttpApi api;
    library.bind(api.open, "WinHttpOpen");
    library.bind(api.connect, "WinHttpConnect");
    library.bind(api.open_request, "WinHttpOpenRequest");
    library.bind(api.close_handle, "WinHttpCloseHandle");
    library.bind(api.set_option, "WinHttpSetOption");
    library.bind(api.send_request, "WinHttpSendRequest");
    library.bind(api.receive_response, "WinHttpReceiveResponse");
    library.bind(api.query_headers, "WinHttpQueryHeaders");
    library.bind(api.read_data, "WinHttpReadData");
    library.bind(api.query_data_available, "WinHttpQueryDataAvailable");
    library.bind(api.set_timeouts, "WinHttpSetTimeouts");
    library.bind(api.set_status_callback, "WinHttpSetStatusCallback");
    library.bind(api.get_ie_proxy_config, "WinHttpGetIEProxyConfigForCurrentUser");
    library.bind(api.get_proxy_for_url, "WinHttpGetProxyForUrl");
    return api;
}

}  // namespace

bool WinHttpApi::complete() const {
    return open && connect && open_request && close_handle && set_option && send_request && receive_response &&
           query_headers && read_data && query_data_available && set_timeouts && set_status_callback &&
           get_ie_proxy_config && get_proxy_for_url;
}

WinHttpApi& winhttp_api() {
    static WinHttpApi api = [] {
        // WinHTTP loads these when a request first needs them: certificates, the security
        // package of HTTPS, the network configuration for proxy discovery.
        base::preload_system_libraries({L"crypt32.dll", L"bcrypt.dll", L"secur32.dll", L"sspicli.dll",
                                        L"iphlpapi.dll", L"dhcpcsvc.dll", L"dnsapi.dll"});
        static const base::SystemLibrary library(L"winhttp.dll");
        // Pinned: a request given up on a stop request may still have WinHTTP's own thread
        // inside the DLL while the process ends, and unloading it under that thread (the
        // static destructors run first) faults.
        HMODULE pinned = nullptr;
        if (library.module())
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCWSTR>(library.module()), &pinned);
        return bind_winhttp(library);
    }();
    return api;
}
