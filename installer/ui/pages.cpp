#include "installer/ui/pages.h"

#include "installer/base/config/string_ids.h"
#include "installer/ui/control_names.h"

namespace {

const wchar_t FACE[] = L"Tahoma";

ui::ControlDescription control(const wchar_t* type, const wchar_t* name, std::wstring text, int x, int y, int width,
                               int height, const wchar_t* style0 = L"", const wchar_t* style1 = L"",
                               const wchar_t* style2 = L"") {
    ui::ControlDescription d;
    d.type = type;
    d.name = name;
    d.text = std::move(text);
    d.x = x;
    d.y = y;
    d.width = width;
    d.height = height;
    d.style[0] = style0;
    d.style[1] = style1;
    d.style[2] = style2;
    return d;
}

// Both pages: the window title, the full-size client area, and the window buttons'
// pictures from the sprite sheet. Everything the page held before is dropped.
void start_page(ui::PageDescription& page, ui::AbstractUI& ui, const wchar_t* background,
                const wchar_t* background_resource) {
    page = ui::PageDescription();
    page.title = ui.load_string(IDS_WINDOW_TITLE);
    page.width = 721;
    page.height = 450;
    page.background = background;
    page.images[background] = {background_resource, 0, 0};
    // The sheet's column -1 is outside it: those pictures start one pixel left of the edge.
    page.images[L"exit"] = {L"set.png", -1, 15};
    page.images[L"exit2"] = {L"set.png", 14, 15};
    page.images[L"minimize"] = {L"set.png", 0, 0};
    page.images[L"minimize2"] = {L"set.png", 15, 0};
    page.images[L"fill"] = {L"set.png", 0, 180};
    // The style "" is the default of every label that names no style.
    page.fonts[L""] = {FACE, 10, 0, 0xABA9AD};
    page.fonts[L"gray"] = {FACE, 10, 0, 0x67656C};
    page.fonts[L"white"] = {FACE, 11, 0, 0xFFFFFF};
    page.fonts[L"url"] = {FACE, 10, 0, 0x32BFFF};
    page.fonts[L"url2"] = {FACE, 10, 0, 0xFFFFFF};
}

}  // namespace

void build_install_page(ui::PageDescription& page, ui::AbstractUI& ui) {
    start_page(page, ui, L"bg", L"bg.png");
    page.images[L"check"] = {L"set.png", 1, 32};
    page.images[L"check2"] = {L"set.png", 1, 53};
    page.images[L"install"] = {L"set.png", -1, 79};
    page.images[L"install2"] = {L"set.png", 147, 79};
    page.images[L"logo"] = {L"set.png", 0, 125};
    page.images[L"logo2"] = {L"set.png", 193, 125};
    // The edit's size is a logical font height: negative asks for the character height.
    page.fonts[L"edit"] = {FACE, -13, 0, 0xABA9AD};

    // The bar lies exactly under the path field; the field is hidden while it fills.
    page.controls = {
        control(L"progress", control_name::PROGRESS, L"", 250, 244, 370, 17, L"", L"fill"),
        control(L"label", control_name::PATH_CAPTION, ui.load_string(IDS_INSTALL_PATH), 248, 213, 200, 20, L"white"),
        control(L"edit", control_name::PATH, L"", 250, 244, 370, 17, L"edit"),
        control(L"label", control_name::DISK_SIZE, L"", 250, 263, 270, 20, L"gray"),
        control(L"link", control_name::BROWSE, ui.load_string(IDS_BROWSE), 627, 245, 70, 20, L"url", L"url2"),
        control(L"check", control_name::SHORTCUT, L"", 249, 297, 17, 17, L"check", L"check2"),
        control(L"label", control_name::SHORTCUT_CAPTION, ui.load_string(IDS_DESKTOP_SHORTCUT), 272, 298, 260, 20),
        control(L"check", control_name::EULA, L"", 249, 324, 17, 17, L"check", L"check2"),
        control(L"label", control_name::EULA_TEXT, ui.load_string(IDS_EULA_TEXT), 272, 325, 160, 20),
        control(L"link", control_name::EULA_LINK, ui.load_string(IDS_EULA_LINK), 402, 325, 185, 20, L"url", L"url2"),
        // A disabled install button keeps its normal picture.
        control(L"button", control_name::INSTALL, L"", 562, 401, 143, 33, L"install", L"install2", L"install"),
        control(L"button", control_name::EXIT, L"", 699, 5, 11, 11, L"exit", L"exit2"),
        control(L"button", control_name::MINIMIZE, L"", 678, 5, 11, 11, L"minimize", L"minimize2"),
        control(L"button", control_name::LOGO, L"", 231, 394, 190, 50, L"logo", L"logo2"),
    };
}

void build_uninstall_page(ui::PageDescription& page, ui::AbstractUI& ui) {
    start_page(page, ui, L"bg2", L"bg2.png");
    page.images[L"uninstall"] = {L"set.png", 50, -1};
    page.images[L"uninstall2"] = {L"set.png", 200, -1};
    page.images[L"reinstall"] = {L"set.png", 50, 40};
    page.images[L"reinstall2"] = {L"set.png", 210, 40};

    // The controller puts the install location into "path" after create. The window
    // buttons are one pixel smaller and higher than on the install page.
    page.controls = {
        control(L"label", control_name::PATH, L"", 250, 210, 370, 20),
        control(L"button", control_name::UNINSTALL, L"", 562, 401, 143, 33, L"uninstall", L"uninstall2"),
        control(L"button", control_name::REINSTALL, L"", 234, 401, 157, 33, L"reinstall", L"reinstall2"),
        control(L"button", control_name::EXIT, L"", 699, 4, 10, 10, L"exit", L"exit2"),
        control(L"button", control_name::MINIMIZE, L"", 678, 4, 10, 10, L"minimize", L"minimize2"),
        control(L"progress", control_name::PROGRESS, L"", 248, 298, 445, 18, L"", L"fill"),
    };
}
