#pragma once
// The WinHTTP calls that open and close the downloader's handles, reached through one
// table so that tests can count every handle or make one of these calls fail; the
// platform never fails them for the arguments the downloader passes. The product never
// changes the table: its entries are the platform's functions.
#include <windows.h>
#include <winhttp.h>

struct WinHttpApi {
    decltype(&::WinHttpOpen) open = ::WinHttpOpen;
    decltype(&::WinHttpConnect) connect = ::WinHttpConnect;
    decltype(&::WinHttpOpenRequest) open_request = ::WinHttpOpenRequest;
    decltype(&::WinHttpCloseHandle) close_handle = ::WinHttpCloseHandle;
};

// The process's table. Not synchronised: change it only while no download runs.
WinHttpApi& winhttp_api();
