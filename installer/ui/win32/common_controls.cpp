#include "installer/ui/win32/common_controls.h"

#include <windows.h>
#include <commctrl.h>

#include "installer/base/win32/system_library.h"

namespace ui {

bool init_common_controls() {
    static const base::SystemLibrary library(L"comctl32.dll");
    static const bool registered = [] {
        decltype(&::InitCommonControlsEx) init = nullptr;
        if (!library.bind(init, "InitCommonControlsEx")) return false;
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        return init(&controls) != FALSE;
    }();
    return registered;
}

}  // namespace ui
