#include "installer/ui/win32/message_loop.h"

#include <windows.h>

namespace ui {
namespace {

bool rearms_idle(UINT message) {
    return message != WM_MOUSEMOVE && message != WM_NCMOUSEMOVE && message != WM_PAINT &&
           message != 0x0118 /* WM_SYSTIMER */;
}

}  // namespace

void MessageLoop::run() {
    bool armed = true;
    for (;;) {
        MSG msg;
        if (armed && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            for (auto& handler : idle_) handler();
            armed = false;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) return;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (rearms_idle(msg.message)) armed = true;
    }
}

}  // namespace ui
