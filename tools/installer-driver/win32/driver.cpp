#include "tools/installer-driver/driver.h"

#include <cstdio>
#include <cwctype>
#include <fstream>

namespace driver {
namespace {

const wchar_t MAIN_CLASS[] = L"VelkarionSkinnedWindow";

struct Search {
    DWORD pid;
    HWND exclude;
    bool want_main;
    HWND found = nullptr;
};

std::wstring class_of(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK find_top_level(HWND window, LPARAM data) {
    Search& search = *reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search.pid || window == search.exclude || !IsWindowVisible(window)) return TRUE;
    // Dialogs only: the bitmap buttons' tooltips are top-level windows of the process too.
    if (class_of(window) != (search.want_main ? MAIN_CLASS : L"#32770")) return TRUE;
    search.found = window;
    return FALSE;
}

HWND find_window(DWORD pid, bool want_main, HWND exclude) {
    Search search{pid, exclude, want_main};
    EnumWindows(find_top_level, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring window_text(HWND window) {
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got));
    return text;
}

const ui::ControlDescription* described(const ui::PageDescription& page, const std::wstring& name) {
    for (const auto& control : page.controls)
        if (control.name == name) return &control;
    return nullptr;
}

std::wstring expected_class(const std::wstring& type) {
    if (type == L"edit") return L"Edit";
    if (type == L"label" || type == L"progress") return L"Static";
    return L"Button";
}

bool same_class(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

void send_keys(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(30);
}

INPUT key(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT unicode(wchar_t c, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = c;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

void focus(HWND window) {
    SetForegroundWindow(window);
    Sleep(50);
}

void left_button(bool down);
HWND capture_of_thread_of(HWND window);

// A click goes to whatever window lies under the point, so another program's window that
// opened on top (a launcher still closing) would take it, and a window that becomes the
// active one while the button is down can lose the press: wait until root is the
// foreground window and the point belongs to it, raising root meanwhile. A hidden or
// disabled control counts as its parent's.
bool uncovered(HWND root, POINT point) {
    return wait_for(
        [&] {
            if (GetForegroundWindow() == root && GetAncestor(WindowFromPoint(point), GA_ROOT) == root) return true;
            focus(root);
            return false;
        },
        milliseconds(10000), milliseconds(100));
}

}  // namespace

Installer::Installer(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring command = L"\"" + exe + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
    }
}

Installer::~Installer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND Installer::wait_window(milliseconds timeout) {
    if (!process_) return nullptr;
    wait_for([this] { return (window_ = find_window(pid_, true, nullptr)) != nullptr; }, timeout);
    if (window_) Sleep(300);  // let the first paint finish
    return window_;
}

bool Installer::wait_exit(DWORD& code, milliseconds timeout) {
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(process_, &code);
    return true;
}

bool Installer::running() { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

HWND Installer::control(const ui::PageDescription& page, const std::wstring& name) {
    const ui::ControlDescription* d = described(page, name);
    if (!d || !window_) return nullptr;
    const std::wstring want = expected_class(d->type);
    for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&r), 2);
        if (r.left == d->x && r.top == d->y && r.right - r.left == d->width && r.bottom - r.top == d->height &&
            same_class(class_of(child), want))
            return child;
    }
    return nullptr;
}

std::wstring Installer::text(const ui::PageDescription& page, const std::wstring& name) {
    HWND child = control(page, name);
    return child ? window_text(child) : std::wstring();
}

bool Installer::visible(const ui::PageDescription& page, const std::wstring& name) {
    HWND child = control(page, name);
    return child && IsWindowVisible(child);
}

bool Installer::click(const ui::PageDescription& page, const std::wstring& name) {
    // Which step failed goes to the error stream: a click that fails only now and then
    // under a loaded machine is otherwise hard to tell apart. A failed attempt has released
    // the button without the control holding the press, so nothing was clicked and the
    // whole click may be tried once more, from where the control is now.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        HWND child = control(page, name);
        if (!child) {
            std::fwprintf(stderr, L"click %ls: no such control on the page\n", name.c_str());
            return false;
        }
        RECT r = {};
        GetWindowRect(child, &r);
        const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (!uncovered(window_, centre)) {
            RECT w = {};
            GetWindowRect(window_, &w);
            std::fwprintf(stderr,
                          L"click %ls at (%ld, %ld), attempt %d: the window (at %ld, %ld) is %ls and the point "
                          L"belongs to %ls\n",
                          name.c_str(), centre.x, centre.y, attempt, w.left, w.top,
                          GetForegroundWindow() == window_ ? L"the active one" : L"not the active one",
                          GetAncestor(WindowFromPoint(centre), GA_ROOT) == window_ ? L"it" : L"another window");
            continue;
        }
        if (click_control(child, centre)) return true;
        std::fwprintf(stderr, L"click %ls at (%ld, %ld), attempt %d: the control never took the press\n",
                      name.c_str(), centre.x, centre.y, attempt);
    }
    return false;
}

bool Installer::type_into(const ui::PageDescription& page, const std::wstring& name, const std::wstring& text) {
    if (!click(page, name)) return false;
    focus(window_);
    SetFocus(control(page, name));
    send_keys({key(VK_END, false), key(VK_END, true)});
    send_keys({key(VK_SHIFT, false), key(VK_HOME, false), key(VK_HOME, true), key(VK_SHIFT, true)});
    send_keys({key(VK_DELETE, false), key(VK_DELETE, true)});
    for (wchar_t c : text) send_keys({unicode(c, false), unicode(c, true)});
    // Typed keys wait in the installer's input queue, behind which a read of the text is
    // answered first: done once the field shows all of it.
    return wait_for([&] { return this->text(page, name) == text; }, milliseconds(10000));
}

void Installer::press_alt_f4() {
    // A click on the bare background makes the window the active one, as a person would.
    RECT r = {};
    GetWindowRect(window_, &r);
    click_at(r.left + 20, r.top + 200);
    // The background drags the window: its loop holds the capture until it sees the
    // release. Should it have missed the release, it would take the keys below, and the
    // next mouse move would carry the window along; a second release ends it.
    const HWND window = window_;
    const auto dragging = [window] { return capture_of_thread_of(window) != nullptr; };
    if (!wait_for([&] { return !dragging(); }, milliseconds(3000), milliseconds(20))) {
        left_button(false);
        wait_for([&] { return !dragging(); }, milliseconds(3000), milliseconds(20));
    }
    focus(window_);
    send_keys({key(VK_MENU, false), key(VK_F4, false), key(VK_F4, true), key(VK_MENU, true)});
}

HWND Installer::wait_dialog(milliseconds timeout) {
    HWND found = nullptr;
    wait_for([&] { return (found = find_window(pid_, false, nullptr)) != nullptr; }, timeout);
    if (found) Sleep(200);
    return found;
}

std::wstring dialog_text(HWND dialog) {
    std::wstring text;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!same_class(class_of(child), L"Static") || !IsWindowVisible(child)) continue;
        const std::wstring part = window_text(child);
        if (part.empty()) continue;  // the icon
        if (!text.empty()) text += L"\r\n";
        text += part;
    }
    return text;
}

bool click_dialog_button(HWND dialog, const std::wstring& caption) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!same_class(class_of(child), L"Button")) continue;
        std::wstring label;
        for (wchar_t c : window_text(child))
            if (c != L'&') label += c;
        if (label != caption) continue;
        RECT r = {};
        GetWindowRect(child, &r);
        const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return uncovered(dialog, centre) && click_control(child, centre);
    }
    return false;
}

void press_escape(HWND dialog) {
    focus(dialog);
    send_keys({key(VK_ESCAPE, false), key(VK_ESCAPE, true)});
}

namespace {

void move_mouse_to(int x, int y) {
    SetCursorPos(x, y);
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof(INPUT));
    Sleep(80);
}

void left_button(bool down) {
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof(INPUT));
}

HWND capture_of_thread_of(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return thread && GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

}  // namespace

void click_at(int x, int y) {
    move_mouse_to(x, y);
    left_button(true);
    Sleep(60);
    left_button(false);
    Sleep(150);
}

bool click_control(HWND control, POINT point) {
    move_mouse_to(point.x, point.y);
    for (int attempt = 0; attempt < 3; ++attempt) {
        left_button(true);
        if (wait_for([&] { return capture_of_thread_of(control) == control; }, milliseconds(5000),
                     milliseconds(20))) {
            left_button(false);
            Sleep(150);
            return true;
        }
    }
    left_button(false);
    return false;
}

bool save_screenshot(const std::wstring& path) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        const DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD image = row * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
        file.bfSize = file.bfOffBits + image;
        info.bmiHeader.biSizeImage = image;
        std::ofstream out(path.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof(file));
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
        out.write(static_cast<const char*>(bits), image);
        saved = static_cast<bool>(out);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace driver
