#pragma once
// What a controller is built from: its window, its page builder and the install
// procedure. The entry point passes the real ones; tests pass their own.
#include <functional>
#include <memory>
#include <string>

#include "installer/base/progress.h"
#include "installer/ui/abstract_ui.h"
#include "installer/ui/page_description.h"

using WindowFactory = std::function<std::shared_ptr<ui::AbstractUI>()>;
// Fills the page; the window is passed for load_string.
using PageBuilder = std::function<void(ui::PageDescription&, ui::AbstractUI&)>;

// The install procedure: (install directory, desktop shortcut, progress) -> outcome,
// empty on success; never throws.
using InstallFn = std::function<std::wstring(std::wstring, bool, ProgressFn&)>;
