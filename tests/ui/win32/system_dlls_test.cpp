// The window's GDI+ and common-controls calls are bound from the system folder, every
// entry of the table included: a binding that breaks fails here, not only in the exe.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "installer/ui/win32/common_controls.h"
#include "installer/ui/win32/gdiplus_api.h"
#include "tests/support/win32/module_file.h"

namespace {

using test_support::in_system_folder;
using test_support::module_file_of;

TEST(SystemDlls, GdiplusTableIsCompleteAndFromTheSystemFolder) {
    const ui::GdiplusApi& api = ui::gdiplus_api();
    ASSERT_TRUE(api.complete());
    for (auto path : {module_file_of(api.startup), module_file_of(api.draw_string),
                      module_file_of(api.draw_image_point_rect), module_file_of(api.delete_brush)})
        EXPECT_TRUE(in_system_folder(path, L"gdiplus.dll")) << path;

    // A round trip through the bound entries: start, make a font, shut down.
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(api.startup(&token, &input, nullptr), Gdiplus::Ok);
    Gdiplus::GpFontFamily* family = nullptr;
    ASSERT_EQ(api.generic_sans_serif(&family), Gdiplus::Ok);
    Gdiplus::GpFont* font = nullptr;
    EXPECT_EQ(api.create_font(family, 9.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint, &font), Gdiplus::Ok);
    if (font) api.delete_font(font);
    api.delete_font_family(family);
    api.shutdown(token);
}

TEST(SystemDlls, CommonControlsRegisterTheTooltipClass) {
    ASSERT_TRUE(ui::init_common_controls());
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    HMODULE comctl32 = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(comctl32, nullptr);
    EXPECT_TRUE(GetClassInfoExW(comctl32, TOOLTIPS_CLASSW, &info) || GetClassInfoExW(nullptr, TOOLTIPS_CLASSW, &info));
    EXPECT_TRUE(in_system_folder(test_support::module_file(comctl32), L"comctl32.dll"))
        << test_support::module_file(comctl32);
}

}  // namespace
