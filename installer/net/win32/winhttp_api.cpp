#include "installer/net/win32/winhttp_api.h"

WinHttpApi& winhttp_api() {
    static WinHttpApi api;
    return api;
}
