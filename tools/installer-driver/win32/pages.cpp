// The installer's own page builders give the driver its control rectangles.
#include "tools/installer-driver/driver.h"

#include "installer/ui/abstract_ui.h"
#include "installer/ui/pages.h"

namespace driver {
namespace {

// The builders only ask for strings; the driver needs the rectangles.
class NoStrings : public ui::AbstractUI {
public:
    void create(const ui::PageDescription&, ui::Callback*) override {}
    void run() override {}
    void close() override {}
    void minimize() override {}
    void post(std::function<void()>) override {}
    void set_visible(const std::wstring&, bool) override {}
    void show_all(const std::wstring&) override {}
    void set_text(const std::wstring&, const std::wstring&) override {}
    std::wstring get_text(const std::wstring&) override { return std::wstring(); }
    void set_checked(const std::wstring&, bool) override {}
    bool is_checked(const std::wstring&) override { return false; }
    void set_opacity(double) override {}
    void set_progress(const std::wstring&, double) override {}
    bool browse_folder(const std::wstring&, std::wstring&) override { return false; }
    int message_box(const std::wstring&, int) override { return 0; }
    std::wstring load_string(int) override { return std::wstring(); }
};

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
