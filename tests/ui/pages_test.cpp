#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/ui/pages.h"
#include "tests/support/null_ui.h"

namespace {

// Only load_string is used by the builders; it answers "#<id>" and records the order.
struct StringsOnly : test_support::NullUI {
    std::vector<int> asked;
    std::wstring load_string(int id) override {
        asked.push_back(id);
        return L"#" + std::to_wstring(id);
    }

protected:
    void unused(const char* call) override { ADD_FAILURE() << "the page builders called " << call; }
};

std::wstring pictures(const ui::PageDescription& p) {
    std::wstring s;
    for (const auto& i : p.images)
        s += i.first + L"=" + i.second.resource + L"(" + std::to_wstring(i.second.x) + L"," +
             std::to_wstring(i.second.y) + L") ";
    return s;
}

std::wstring styles(const ui::PageDescription& p) {
    std::wstring s;
    for (const auto& f : p.fonts) {
        wchar_t color[16];
        swprintf(color, 16, L"%06X", static_cast<unsigned>(f.second.color));
        s += L"[" + f.first + L"]" + f.second.face + L"/" + std::to_wstring(f.second.size) + L"/" +
             std::to_wstring(f.second.weight) + L"/" + color + L" ";
    }
    return s;
}

std::wstring controls(const ui::PageDescription& p) {
    std::wstring s;
    for (const auto& c : p.controls)
        s += c.type + L":" + c.name + L":" + c.text + L":" + std::to_wstring(c.x) + L"," + std::to_wstring(c.y) +
             L"," + std::to_wstring(c.width) + L"x" + std::to_wstring(c.height) + L":" + c.style[0] + L"|" +
             c.style[1] + L"|" + c.style[2] + L"\n";
    return s;
}

const wchar_t INSTALL_PICTURES[] =
    L"bg=bg.png(0,0) check=set.png(1,32) check2=set.png(1,53) exit=set.png(-1,15) exit2=set.png(14,15) "
    L"fill=set.png(0,180) install=set.png(-1,79) install2=set.png(147,79) logo=set.png(0,125) "
    L"logo2=set.png(193,125) minimize=set.png(0,0) minimize2=set.png(15,0) ";
const wchar_t UNINSTALL_PICTURES[] =
    L"bg2=bg2.png(0,0) exit=set.png(-1,15) exit2=set.png(14,15) fill=set.png(0,180) minimize=set.png(0,0) "
    L"minimize2=set.png(15,0) reinstall=set.png(50,40) reinstall2=set.png(210,40) uninstall=set.png(50,-1) "
    L"uninstall2=set.png(200,-1) ";
const wchar_t COMMON_STYLES[] =
    L"[]Tahoma/10/0/ABA9AD [gray]Tahoma/10/0/67656C [url]Tahoma/10/0/32BFFF [url2]Tahoma/10/0/FFFFFF "
    L"[white]Tahoma/11/0/FFFFFF ";
const wchar_t INSTALL_STYLES[] =
    L"[]Tahoma/10/0/ABA9AD [edit]Tahoma/-13/0/ABA9AD [gray]Tahoma/10/0/67656C [url]Tahoma/10/0/32BFFF "
    L"[url2]Tahoma/10/0/FFFFFF [white]Tahoma/11/0/FFFFFF ";
const wchar_t INSTALL_CONTROLS[] =
    L"progress:progress::250,244,370x17:|fill|\n"
    L"label:path_1:#10001:248,213,200x20:white||\n"
    L"edit:path::250,244,370x17:edit||\n"
    L"label:disk_size::250,263,270x20:gray||\n"
    L"link:browse:#10005:627,245,70x20:url|url2|\n"
    L"check:shortcut::249,297,17x17:check|check2|\n"
    L"label:shortcut_l:#10003:272,298,260x20:||\n"
    L"check:eula::249,324,17x17:check|check2|\n"
    L"label:eula_text:#10007:272,325,160x20:||\n"
    L"link:eula_link:#10008:402,325,185x20:url|url2|\n"
    L"button:install::562,401,143x33:install|install2|install\n"
    L"button:exit::699,5,11x11:exit|exit2|\n"
    L"button:minimize::678,5,11x11:minimize|minimize2|\n"
    L"button:logo::231,394,190x50:logo|logo2|\n";
const wchar_t UNINSTALL_CONTROLS[] =
    L"label:path::250,210,370x20:||\n"
    L"button:uninstall::562,401,143x33:uninstall|uninstall2|\n"
    L"button:reinstall::234,401,157x33:reinstall|reinstall2|\n"
    L"button:exit::699,4,10x10:exit|exit2|\n"
    L"button:minimize::678,4,10x10:minimize|minimize2|\n"
    L"progress:progress::248,298,445x18:|fill|\n";

// Every sprite a control draws must come from inside the 450 x 200 sheet (column or row
// -1 is the one allowed overhang), and no two pictures of one page may overlap there.
void expect_sprites_fit(const ui::PageDescription& p) {
    struct Rect { std::wstring name; int x, y, w, h; };
    std::vector<Rect> drawn;
    for (const auto& c : p.controls)
        for (int i = 0; i < 3; ++i) {
            auto found = p.images.find(c.style[i]);
            if (found == p.images.end() || found->second.resource != L"set.png") continue;
            if (c.type != L"button" && c.type != L"check" && !(c.type == L"progress" && i == 1)) continue;
            const auto& im = found->second;
            Rect r{c.style[i], im.x, im.y, c.width, c.height};
            EXPECT_GE(r.x, -1) << r.name;
            EXPECT_GE(r.y, -1) << r.name;
            EXPECT_LE(r.x + r.w, 450) << r.name;
            EXPECT_LE(r.y + r.h, 200) << r.name;
            drawn.push_back(r);
        }
    for (size_t a = 0; a < drawn.size(); ++a)
        for (size_t b = a + 1; b < drawn.size(); ++b) {
            const Rect &r = drawn[a], &s = drawn[b];
            if (r.name == s.name) continue;
            bool apart = r.x + r.w <= s.x || s.x + s.w <= r.x || r.y + r.h <= s.y || s.y + s.h <= r.y;
            EXPECT_TRUE(apart) << std::string(r.name.begin(), r.name.end()) << " overlaps "
                               << std::string(s.name.begin(), s.name.end());
        }
}

void expect_inside_page(const ui::PageDescription& p) {
    for (const auto& c : p.controls) {
        EXPECT_GE(c.x, 0);
        EXPECT_GE(c.y, 0);
        EXPECT_LE(c.x + c.width, p.width) << std::string(c.name.begin(), c.name.end());
        EXPECT_LE(c.y + c.height, p.height) << std::string(c.name.begin(), c.name.end());
    }
}

}  // namespace

TEST(Pages, InstallPageTables) {
    StringsOnly ui;
    ui::PageDescription p;
    build_install_page(p, ui);
    EXPECT_EQ(L"#10002", p.title);
    ASSERT_FALSE(ui.asked.empty());
    EXPECT_EQ(10002, ui.asked.front());  // the title is loaded first
    EXPECT_EQ(721, p.width);
    EXPECT_EQ(450, p.height);
    EXPECT_EQ(L"bg", p.background);
    EXPECT_EQ(INSTALL_PICTURES, pictures(p));
    EXPECT_EQ(INSTALL_STYLES, styles(p));
    EXPECT_EQ(INSTALL_CONTROLS, controls(p));
    expect_inside_page(p);
    expect_sprites_fit(p);
}

TEST(Pages, UninstallPageTables) {
    StringsOnly ui;
    ui::PageDescription p;
    build_uninstall_page(p, ui);
    EXPECT_EQ(std::vector<int>{10002}, ui.asked);  // no control text comes from the table
    EXPECT_EQ(L"#10002", p.title);
    EXPECT_EQ(721, p.width);
    EXPECT_EQ(450, p.height);
    EXPECT_EQ(L"bg2", p.background);
    EXPECT_EQ(UNINSTALL_PICTURES, pictures(p));
    EXPECT_EQ(COMMON_STYLES, styles(p));
    EXPECT_EQ(UNINSTALL_CONTROLS, controls(p));
    expect_inside_page(p);
    expect_sprites_fit(p);
}

TEST(Pages, RebuildingReplacesTheWholePage) {
    StringsOnly ui;
    ui::PageDescription p;
    p.images[L"stale"] = {L"x.png", 1, 1};
    p.fonts[L"stale"] = {L"Arial", 9, 700, 1};
    build_install_page(p, ui);
    build_uninstall_page(p, ui);
    EXPECT_EQ(UNINSTALL_PICTURES, pictures(p));
    EXPECT_EQ(COMMON_STYLES, styles(p));  // the edit style is gone
    EXPECT_EQ(UNINSTALL_CONTROLS, controls(p));
    build_install_page(p, ui);
    EXPECT_EQ(INSTALL_PICTURES, pictures(p));
    EXPECT_EQ(INSTALL_STYLES, styles(p));
    EXPECT_EQ(INSTALL_CONTROLS, controls(p));
}
