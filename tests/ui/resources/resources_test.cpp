#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "installer/base/config/product.h"
#include "installer/base/win32/system_library.h"
#include "installer/ui/main_window.h"
#include "installer/ui/pages.h"
#include "installer/ui/win32/image.h"
#include "tests/support/null_ui.h"

namespace {

HMODULE self() { return GetModuleHandleW(nullptr); }

// The pixel reading the window never does, bound the way the window binds its own calls.
struct PixelApi {
    decltype(&Gdiplus::DllExports::GdipGetImageWidth) width = nullptr;
    decltype(&Gdiplus::DllExports::GdipGetImageHeight) height = nullptr;
    decltype(&Gdiplus::DllExports::GdipGetImagePixelFormat) format = nullptr;
    decltype(&Gdiplus::DllExports::GdipBitmapGetPixel) pixel = nullptr;
};

const PixelApi& pixel_api() {
    static const base::SystemLibrary library(L"gdiplus.dll");
    static const PixelApi api = [] {
        PixelApi a;
        library.bind(a.width, "GdipGetImageWidth");
        library.bind(a.height, "GdipGetImageHeight");
        library.bind(a.format, "GdipGetImagePixelFormat");
        library.bind(a.pixel, "GdipBitmapGetPixel");
        return a;
    }();
    return api;
}

struct Size { UINT width, height; Gdiplus::PixelFormat format; };

Size size_of(const ui::Bitmap& b) {
    Size s = {0, 0, 0};
    pixel_api().width(b.get(), &s.width);
    pixel_api().height(b.get(), &s.height);
    pixel_api().format(b.get(), &s.format);
    return s;
}

Gdiplus::ARGB pixel(const ui::Bitmap& b, int x, int y) {
    Gdiplus::ARGB c = 0;
    pixel_api().pixel(b.get(), x, y, &c);
    return c;
}

// The sprite of a picture as the control shows it: pixels outside the sheet count as empty.
std::vector<Gdiplus::ARGB> sprite(const ui::Bitmap& sheet, int x, int y, int w, int h) {
    std::vector<Gdiplus::ARGB> out;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) out.push_back(i < 0 || j < 0 ? 0 : pixel(sheet, i, j));
    return out;
}

int opaque_count(const std::vector<Gdiplus::ARGB>& pixels) {
    int n = 0;
    for (auto c : pixels) n += (c >> 24) > 0x80;
    return n;
}

class Resources : public ::testing::Test {
protected:
    // The window factory starts GDI+ for the process.
    void SetUp() override { window_ = ui::create_main_window(); }
    std::shared_ptr<ui::AbstractUI> window_;
};

}  // namespace

TEST_F(Resources, PicturesHaveTheirSizesAndFormats) {
    Size bg = size_of(ui::load_picture(self(), L"bg.png"));
    EXPECT_EQ(721u, bg.width);
    EXPECT_EQ(450u, bg.height);
    EXPECT_EQ(static_cast<Gdiplus::PixelFormat>(PixelFormat24bppRGB), bg.format);
    Size bg2 = size_of(ui::load_picture(self(), L"BG2.PNG"));
    EXPECT_EQ(721u, bg2.width);
    EXPECT_EQ(450u, bg2.height);
    EXPECT_EQ(static_cast<Gdiplus::PixelFormat>(PixelFormat32bppARGB), bg2.format);
    Size set = size_of(ui::load_picture(self(), L"set.png"));
    EXPECT_EQ(450u, set.width);
    EXPECT_EQ(200u, set.height);
    EXPECT_EQ(static_cast<Gdiplus::PixelFormat>(PixelFormat32bppARGB), set.format);
}

TEST_F(Resources, StringTableHoldsTheExactTexts) {
    const std::vector<std::pair<int, std::wstring>> texts = {
        {10001, L"Install path"},
        {10002, L"Velkarion Launcher installation"},
        {10003, L"Create a desktop shortcut"},
        {10004, L"Install error:\r\n\r\n"},
        {10005, L"Browse"},
        {10006, L"Required %d Gb, available %d Gb"},
        {10007, L"I have agreed to the"},
        {10008, L"project rules"},
        {10009, L"Not enough disk space.\r\nProceed with the installation?"},
        {10010, L"Downloading launcher"},
    };
    for (const auto& t : texts) EXPECT_EQ(t.second, window_->load_string(t.first)) << t.first;
    EXPECT_EQ(L"", window_->load_string(10011));
    // The strings are English (United States), the language the loader looks up first.
    EXPECT_TRUE(FindResourceExW(self(), MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(10001 / 16 + 1),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
}

// Every picture both pages name: the button and check states must show something, and a
// hover picture must differ from its normal one. The progress track of each background
// is the edit colour, so an empty bar reads as a track.
TEST_F(Resources, SpritesAtThePagesOffsetsAreDrawnAndDistinct) {
    struct Loaded : test_support::NullUI {
        ui::AbstractUI& real;
        explicit Loaded(ui::AbstractUI& r) : real(r) {}
        std::wstring load_string(int id) override { return real.load_string(id); }
    } strings(*window_);
    ui::Bitmap sheet = ui::load_picture(self(), L"set.png");
    for (auto build : {&build_install_page, &build_uninstall_page}) {
        ui::PageDescription page;
        build(page, strings);
        for (const auto& c : page.controls) {
            if (c.type != L"button" && c.type != L"check") continue;
            const auto& a = page.images.at(c.style[0]);
            const auto& b = page.images.at(c.style[1]);
            auto first = sprite(sheet, a.x, a.y, c.width, c.height);
            auto second = sprite(sheet, b.x, b.y, c.width, c.height);
            EXPECT_GT(opaque_count(first), c.width * c.height / 20) << std::string(c.name.begin(), c.name.end());
            EXPECT_GT(opaque_count(second), c.width * c.height / 20) << std::string(c.name.begin(), c.name.end());
            EXPECT_NE(first, second) << std::string(c.name.begin(), c.name.end());
        }
        ui::Bitmap bg = ui::load_picture(self(), page.images.at(page.background).resource);
        for (const auto& c : page.controls) {
            if (c.type != L"progress") continue;
            for (int x = c.x; x < c.x + c.width; x += 37)
                EXPECT_EQ(0xFF3A3644u, pixel(bg, x, c.y + c.height / 2)) << x;
        }
    }
}

TEST_F(Resources, IconManifestAndVersion) {
    // The icon group lists the 17 images: (size, bits per pixel).
    HRSRC group = FindResourceW(self(), L"MAIN_ICON", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_TRUE(group);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(self(), group)));
    ASSERT_TRUE(dir);
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    std::multiset<std::pair<int, int>> images;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;
        int size = entry[0] ? entry[0] : 256;
        images.insert({size, *reinterpret_cast<const WORD*>(entry + 6)});
    }
    std::multiset<std::pair<int, int>> expected = {{256, 4}, {256, 8}, {256, 32}, {16, 4}, {16, 8}, {32, 4},
                                                  {32, 8},   {48, 4},  {48, 8},   {16, 32}, {24, 32}, {32, 32},
                                                  {48, 32},  {64, 32}, {72, 32},  {96, 32}, {128, 32}};
    EXPECT_EQ(expected, images);
    HICON icon = static_cast<HICON>(LoadImageW(self(), L"MAIN_ICON", IMAGE_ICON, 32, 32, 0));
    EXPECT_TRUE(icon);
    if (icon) DestroyIcon(icon);

    HRSRC manifest = FindResourceW(self(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_TRUE(manifest);
    std::string xml(static_cast<const char*>(LockResource(LoadResource(self(), manifest))),
                    SizeofResource(self(), manifest));
    EXPECT_NE(std::string::npos, xml.find("level=\"highestAvailable\""));

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeW(path, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));
    auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT length = 0;
        std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
            return std::wstring();
        return std::wstring(text);
    };
    EXPECT_EQ(PUBLISHER, value(L"CompanyName"));
    EXPECT_EQ(L"Velkarion Launcher", value(L"ProductName"));
    EXPECT_EQ(L"Velkarion Launcher installation", value(L"FileDescription"));
}
