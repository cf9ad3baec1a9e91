#pragma once
// The factory of the one window type. Declared apart from the window class so callers
// need neither its definition nor Win32 headers.

#include <memory>

#include "installer/ui/abstract_ui.h"

namespace ui {

// Returns a new window, not yet created. The first call in the process performs the
// one-time start-up (module instance bound, GDI+ started and shut down at exit);
// thread-safe.
std::shared_ptr<AbstractUI> create_main_window();

}  // namespace ui
