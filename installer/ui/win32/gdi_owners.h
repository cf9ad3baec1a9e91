#pragma once
// Owners of the GDI objects the window makes.
#include <windows.h>

#include "installer/base/win32/scoped.h"

namespace ui {

using OwnedFont = base::GdiObject<HFONT>;
using OwnedBrush = base::GdiObject<HBRUSH>;

}  // namespace ui
