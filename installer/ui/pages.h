#pragma once
// The two pages of the window as data. The builders replace everything page held
// (title, size, background, styles, pictures and controls), so one page can be built
// over another. Texts come from the string table through ui.load_string; nothing else
// of ui is used. Neither builder throws except for std::bad_alloc.

#include "installer/ui/abstract_ui.h"
#include "installer/ui/page_description.h"

void build_install_page(ui::PageDescription& page, ui::AbstractUI& ui);
void build_uninstall_page(ui::PageDescription& page, ui::AbstractUI& ui);
