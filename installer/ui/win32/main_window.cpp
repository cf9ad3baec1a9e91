#include "installer/ui/win32/main_window.h"

#include <shlobj.h>

#include <algorithm>
#include <stdexcept>

#include "installer/base/win32/scoped.h"
#include "installer/ui/win32/message_loop.h"

namespace ui {
namespace {

const COLORREF EDIT_TEXT = RGB(171, 169, 173);
const COLORREF EDIT_BACK = RGB(58, 54, 68);

}  // namespace

MainWindow::MainWindow() : pictures_(GetModuleHandleW(nullptr)), edit_brush_(CreateSolidBrush(EDIT_BACK)) {}

MainWindow::~MainWindow() {
    // A window left by a failed create goes before the controls that serve it.
    if (hwnd()) DestroyWindow(hwnd());
}

void MainWindow::create(const PageDescription& page, Callback* callback) {
    page_ = page;
    callback_ = callback;
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"MAIN_ICON");
    if (!create_window(WS_EX_LAYERED, page_.title.c_str(), WS_POPUP, 0, 0, page_.width, page_.height, icon))
        throw std::runtime_error("UI: failed to create a window");
    centre();
    set_opacity(1.0);
    for (const auto& style : page_.fonts) {
        LOGFONTW lf = {};
        lf.lfHeight = style.second.size;
        lf.lfWeight = style.second.weight;
        lstrcpynW(lf.lfFaceName, style.second.face.c_str(), LF_FACESIZE);
        fonts_[style.first].reset(CreateFontIndirectW(&lf));
    }
    background_ = pictures_.resolve(page_.images, page_.background);
    for (const ControlDescription& d : page_.controls) {
        HWND control = create_control(d);
        if (!control) throw std::runtime_error("UI: failed to create a window");
        by_name_[d.name] = control;
        by_handle_[control] = &d;
    }
}

void MainWindow::centre() {
    RECT window;
    GetWindowRect(hwnd(), &window);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &info);
    const RECT& work = info.rcWork;
    int width = window.right - window.left, height = window.bottom - window.top;
    int left = (work.left + work.right) / 2 - width / 2;
    int top = (work.top + work.bottom) / 2 - height / 2;
    if (left + width > work.right) left = work.right - width;
    if (top + height > work.bottom) top = work.bottom - height;
    left = std::max(left, static_cast<int>(work.left));
    top = std::max(top, static_cast<int>(work.top));
    SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND MainWindow::create_control(const ControlDescription& d) {
    HWND parent = hwnd();
    std::unique_ptr<PushButtonBase> button;
    if (d.type == L"button") {
        ImageRef normal = pictures_.resolve(page_.images, d.style[0]);
        ImageRef hover = pictures_.resolve(page_.images, d.style[1]);
        ImageRef disabled = pictures_.resolve(page_.images, d.style[2]);
        button = BitmapButton::create(parent, d, background_, normal, hover, disabled);
    } else if (d.type == L"link") {
        const FontDescription normal = page_.fonts[d.style[0]];
        const FontDescription hover = page_.fonts[d.style[1]];
        button = LinkButton::create(parent, d, background_, normal, hover);
    } else if (d.type == L"check") {
        ImageRef unchecked = pictures_.resolve(page_.images, d.style[0]);
        ImageRef checked = pictures_.resolve(page_.images, d.style[1]);
        auto check = BitmapCheck::create(parent, d, background_, unchecked, checked);
        if (check) checks_[d.name] = check.get();
        button = std::move(check);
    } else if (d.type == L"label" || d.type == L"progress" || d.type == L"edit") {
        bool edit = d.type == L"edit";
        HWND w = CreateWindowExW(WS_EX_NOPARENTNOTIFY, edit ? L"EDIT" : L"STATIC",
                                 d.type == L"progress" ? L"" : d.text.c_str(),
                                 WS_CHILD | (edit ? ES_AUTOHSCROLL : SS_OWNERDRAW), d.x, d.y, d.width, d.height,
                                 parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (w && d.type == L"progress") progress_[d.name] = Progress{w, pictures_.resolve(page_.images, d.style[1]), 0.0};
        if (w && edit) {
            auto font = fonts_.find(d.style[0]);
            if (font != fonts_.end()) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font->second.get()), FALSE);
        }
        return w;
    } else {
        throw std::runtime_error("unknown control type");
    }
    if (!button) return nullptr;
    HWND w = button->hwnd();
    buttons_.push_back(std::move(button));
    return w;
}

void MainWindow::run() {
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    MessageLoop loop;
    loop.add_idle_handler([this] { run_tasks(); });
    loop.run();
}

void MainWindow::run_tasks() {
    std::list<std::function<void()>> taken;
    {
        std::lock_guard<std::mutex> lock(task_mutex_);
        taken.swap(tasks_);
    }
    for (auto& task : taken) task();
}

void MainWindow::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(task_mutex_);
        tasks_.push_back(std::move(task));
    }
    PostMessageW(hwnd(), WM_NULL, 0, 0);
}

void MainWindow::close() {
    closing_ = true;
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void MainWindow::minimize() { CloseWindow(hwnd()); }

HWND MainWindow::control(const std::wstring& name) const {
    auto found = by_name_.find(name);
    return found == by_name_.end() ? nullptr : found->second;
}

void MainWindow::set_visible(const std::wstring& name, bool visible) {
    ShowWindow(control(name), visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::show_all(const std::wstring&) {
    for (const auto& entry : by_name_) ShowWindow(entry.second, SW_SHOW);
}

void MainWindow::set_text(const std::wstring& name, const std::wstring& text) {
    SetWindowTextW(control(name), text.c_str());
}

std::wstring MainWindow::get_text(const std::wstring& name) {
    HWND w = control(name);
    if (!w) return std::wstring();
    wchar_t buffer[1023] = {};
    int length = GetWindowTextW(w, buffer, 1023);
    return std::wstring(buffer, length > 0 ? length : 0);
}

void MainWindow::set_checked(const std::wstring& name, bool checked) {
    auto found = checks_.find(name);
    if (found != checks_.end()) found->second->set_checked(checked);
}

bool MainWindow::is_checked(const std::wstring& name) {
    auto found = checks_.find(name);
    return found != checks_.end() && found->second->is_checked();
}

void MainWindow::set_opacity(double fraction) {
    BYTE alpha = 100;
    if (fraction > 0.9999)
        alpha = 255;
    else if (fraction > 0.5)
        alpha = static_cast<BYTE>(static_cast<int>(fraction * 155 + 100));
    SetLayeredWindowAttributes(hwnd(), 0, alpha, LWA_ALPHA);
}

void MainWindow::set_progress(const std::wstring& name, double fraction) {
    auto found = progress_.find(name);
    if (found == progress_.end()) return;
    found->second.fraction = std::min(1.0, std::max(0.0, fraction));
    InvalidateRect(found->second.window, nullptr, FALSE);
    UpdateWindow(found->second.window);
}

bool MainWindow::browse_folder(const std::wstring& title, std::wstring& path) {
    BROWSEINFOW info = {};
    info.hwndOwner = hwnd();
    info.lpszTitle = title.c_str();
    // 0x143: file-system folders only, nothing below the domain, the resizable dialog
    // with its usage hint.
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_NEWDIALOGSTYLE | BIF_UAHINT;
    const base::CoTaskMemory<PIDLIST_ABSOLUTE> item(SHBrowseForFolderW(&info));
    if (!item) return false;
    wchar_t chosen[MAX_PATH] = {};
    // A chosen item without a file-system path leaves path as it was.
    if (SHGetPathFromIDListW(item.get(), chosen)) path = chosen;
    return true;
}

int MainWindow::message_box(const std::wstring& text, int type) {
    return MessageBoxW(hwnd(), text.c_str(), page_.title.c_str(), static_cast<UINT>(type));
}

std::wstring MainWindow::load_string(int id) {
    wchar_t buffer[1023] = {};
    int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), buffer, 1023);
    return std::wstring(buffer, length > 0 ? length : 0);
}

void MainWindow::paint_background() {
    RECT r;
    if (!GetUpdateRect(hwnd(), &r, FALSE)) return;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    Graphics g = graphics_on(dc);
    draw(g.get(), background_, r.left, r.top, r.left + background_.x, r.top + background_.y, r.right - r.left,
         r.bottom - r.top);
    g.reset();
    EndPaint(hwnd(), &ps);
}

void MainWindow::draw_item(const DRAWITEMSTRUCT& item) {
    auto found = by_handle_.find(item.hwndItem);
    if (found == by_handle_.end()) return;
    const ControlDescription& d = *found->second;
    if (d.type != L"label" && d.type != L"progress") return;
    Graphics g = graphics_on(item.hDC);
    if (!g) return;
    draw(g.get(), background_, 0, 0, d.x, d.y, d.width, d.height);
    if (d.type == L"label") {
        wchar_t text[256] = {};
        GetWindowTextW(item.hwndItem, text, 256);
        const FontDescription& style = page_.fonts[d.style[0]];
        Font font = make_point_font(style.face, style.size);
        draw_text(g.get(), text, font.get(), style.color);
    } else {
        const Progress& p = progress_[d.name];
        int fill = static_cast<int>(d.width * p.fraction);
        if (fill != 0) draw(g.get(), p.fill, 0, 0, p.fill.x, p.fill.y, fill, d.height);
    }
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint_background();
        return 0;
    case WM_DRAWITEM:
        draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return 1;
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, EDIT_TEXT);
        SetBkColor(dc, EDIT_BACK);
        return reinterpret_cast<LRESULT>(edit_brush_.get());
    }
    case WM_LBUTTONDOWN:
        // Any point that no control takes drags the window.
        SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_COMMAND: {
        auto found = by_handle_.find(reinterpret_cast<HWND>(lparam));
        if (found != by_handle_.end() && callback_) callback_->on_event(found->second->name, HIWORD(wparam));
        return 0;
    }
    case WM_CLOSE:
        if (!closing_ && callback_ && !callback_->can_close()) return 0;
        DestroyWindow(hwnd());
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return default_handle(message, wparam, lparam);
    }
}

}  // namespace ui
