// The installer's own page builders give the driver its control rectangles.
#include "tools/installer-driver/driver.h"

#include "installer/ui/pages.h"
#include "tests/support/null_ui.h"

namespace driver {
namespace {

// The builders only ask for strings; the driver needs the rectangles.
using NoStrings = test_support::NullUI;

}  // namespace

ui::PageDescription install_page() {
    NoStrings strings;
    ui::PageDescription page;
    build_install_page(page, strings);
    return page;
}

ui::PageDescription uninstall_page() {
    NoStrings strings;
    ui::PageDescription page;
    build_uninstall_page(page, strings);
    return page;
}

}  // namespace driver
