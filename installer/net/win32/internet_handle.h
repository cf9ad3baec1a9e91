#pragma once
// The owner of one WinHTTP handle: closed through the downloader's table, so that tests
// counting the calls see every close.
#include "installer/base/win32/scoped.h"
#include "installer/net/win32/winhttp_api.h"

struct InternetHandleTraits : base::NullIsNone<HINTERNET> {
    static void close(HINTERNET handle) noexcept { winhttp_api().close_handle(handle); }
};
using InternetHandle = base::Scoped<InternetHandleTraits>;
