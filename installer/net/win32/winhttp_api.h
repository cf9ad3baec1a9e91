#pragma once
// Every WinHTTP call the downloader makes, reached through one table filled from
// winhttp.dll loaded out of the system folder (winhttp is no KnownDLL; nothing links its
// import library). Tests may swap single entries to count handles or fail a call on
// purpose; the platform never fails the opening calls for the downloader's arguments.
#include <windows.h>
#include <winhttp.h>

struct WinHttpApi {
    decltype(&::WinHttpOpen) open = nullptr;
    decltype(&::WinHttpConnect) connect = nullptr;
    decltype(&::WinHttpOpenRequest) open_request = nullptr;
    decltype(&::WinHttpCloseHandle) close_handle = nullptr;
    decltype(&::WinHttpSetOption) set_option = nullptr;
    decltype(&::WinHttpSendRequest) send_request = nullptr;
    decltype(&::WinHttpReceiveResponse) receive_response = nullptr;
    decltype(&::WinHttpQueryHeaders) query_headers = nullptr;
    decltype(&::WinHttpReadData) read_data = nullptr;
    decltype(&::WinHttpQueryDataAvailable) query_data_available = nullptr;
    decltype(&::WinHttpSetTimeouts) set_timeouts = nullptr;
    decltype(&::WinHttpSetStatusCallback) set_status_callback = nullptr;
    // The user's Internet settings, where the platform's own automatic proxy is not there.
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) get_ie_proxy_config = nullptr;
    decltype(&::WinHttpGetProxyForUrl) get_proxy_for_url = nullptr;

    // Whether every entry is set: the downloader opens nothing otherwise.
    bool complete() const;
};

// The process's table, loaded on first use. Not synchronised: change it only while no
// download runs.
WinHttpApi& winhttp_api();
