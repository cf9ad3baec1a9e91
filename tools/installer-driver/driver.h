#pragma once
// Drives a running installer the way a person does: finds its window and controls, reads
// what they show, clicks with the system's mouse input and types with its keyboard
// input. Used by the end-to-end tests and by the demo's automatic click-through.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "installer/ui/page_description.h"

namespace driver {

using std::chrono::milliseconds;

// The page descriptions as the installer builds them (titles and texts left empty).
ui::PageDescription install_page();
ui::PageDescription uninstall_page();

// One started installer process; a process still running at destruction is ended.
class Installer {
public:
    // Starts exe with the given arguments (may be empty) and the driver's environment.
    Installer(const std::wstring& exe, const std::wstring& arguments);
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    // The visible main window of the process, or null after the timeout.
    HWND wait_window(milliseconds timeout = milliseconds(120000));
    // Whether the process ended within the timeout; its exit code in code.
    bool wait_exit(DWORD& code, milliseconds timeout = milliseconds(60000));
    bool running();

    // A control of page in the main window: the child with the described rectangle
    // (and class, where two share one rectangle); null when there is none.
    HWND control(const ui::PageDescription& page, const std::wstring& name);
    // WM_GETTEXT of the control; empty when it is missing.
    std::wstring text(const ui::PageDescription& page, const std::wstring& name);
    bool visible(const ui::PageDescription& page, const std::wstring& name);
    // Moves the mouse onto the control's centre and clicks (click_control); false when it
    // is missing, the window is not the active one or is covered at that point after
    // 10 s, or the control takes no press.
    bool click(const ui::PageDescription& page, const std::wstring& name);
    // Replaces the text of an edit control by typing; false when the control is missing or
    // does not show the whole text within 10 s.
    bool type_into(const ui::PageDescription& page, const std::wstring& name, const std::wstring& text);
    // Alt+F4 to the main window.
    void press_alt_f4();

    // A message box or dialog (class "#32770") of the process, or null.
    HWND wait_dialog(milliseconds timeout = milliseconds(20000));
    HWND main_window() const { return window_; }
    HANDLE process() const { return process_; }
    DWORD pid() const { return pid_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// The text of a message box (its static controls, joined by "\r\n" when several).
std::wstring dialog_text(HWND dialog);
// Clicks the dialog's button whose text, with "&" removed, is caption (click_control);
// false if none, if the dialog is not the active one or is covered there after 10 s, or
// if the button takes no press.
bool click_dialog_button(HWND dialog, const std::wstring& caption);
// Closes a dialog with Escape (cancels a folder picker).
void press_escape(HWND dialog);

// Clicks at screen coordinates with the system's mouse input.
void click_at(int x, int y);
// Clicks control (a button, check box or edit) at point, a screen point inside it: the
// button goes up once the control holds the mouse capture, as such controls do while
// pressed. A press not taken within 5 s is sent again (a window still settling can drop
// one; a second press on a pressed control changes nothing), up to three times; false
// if the control never takes one.
bool click_control(HWND control, POINT point);

// Writes the whole screen as a 24-bit BMP file; false on failure.
bool save_screenshot(const std::wstring& path);

// Sleeps until predicate() holds or the timeout passes; returns its last value.
template <typename Predicate>
bool wait_for(Predicate predicate, milliseconds timeout, milliseconds step = milliseconds(50)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(static_cast<DWORD>(step.count()));
    }
}

}  // namespace driver
