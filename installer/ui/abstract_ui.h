#pragma once
// The two interfaces between a controller and its window. Neither side knows the
// other's concrete class. Controls are addressed by name.

#include <functional>
#include <string>

#include "installer/ui/page_description.h"

namespace ui {

// Notification codes a control reports through Callback::on_event: the high word of
// the WM_COMMAND wParam. Given here so controllers need no Win32 headers.
enum : int {
    NOTIFY_CLICKED = 0,         // button, check (after the state toggled), link
    NOTIFY_EDIT_SETFOCUS = 0x100,
    NOTIFY_EDIT_KILLFOCUS = 0x200,
    NOTIFY_EDIT_CHANGE = 0x300,
    NOTIFY_EDIT_UPDATE = 0x400,
};

// Implemented by the controller; called on the UI thread inside the message loop.
class Callback {
public:
    // A control's notification, synchronously while the window handles it.
    virtual void on_event(const std::wstring& name, int code) = 0;
    // A close that the program did not request (close()); false keeps the window open.
    virtual bool can_close() = 0;

protected:
    ~Callback() = default;
};

// The window as a controller sees it. Every operation but post() is called on the UI
// thread: the thread that calls create() and run().
class AbstractUI {
public:
    // Keeps a copy of page and the (not owned) callback; creates the window centred on
    // the work area, fully opaque, with every control hidden. Throws std::runtime_error
    // with "UI: failed to create a window", "unknown control type", or a picture
    // loading error ("can't find image resource", "failed to create stream",
    // "failed to fill stream", "failed to load an image").
    virtual void create(const PageDescription& page, Callback* callback) = 0;
    // Shows and paints the window and runs the message loop; returns once the window
    // has been destroyed. Tasks still queued then never run.
    virtual void run() = 0;
    // Closes the window without consulting can_close().
    virtual void close() = 0;
    virtual void minimize() = 0;
    // The one thread-safe operation: queues task to run on the UI thread, in the order
    // posted, when its message queue is next empty.
    virtual void post(std::function<void()> task) = 0;
    virtual void set_visible(const std::wstring& name, bool visible) = 0;
    // Shows every control of the page; tag is not used.
    virtual void show_all(const std::wstring& tag) = 0;
    virtual void set_text(const std::wstring& name, const std::wstring& text) = 0;
    // At most 1022 characters; empty for an unknown name.
    virtual std::wstring get_text(const std::wstring& name) = 0;
    // Check controls only; other names are ignored (is_checked gives false).
    virtual void set_checked(const std::wstring& name, bool checked) = 0;
    virtual bool is_checked(const std::wstring& name) = 0;
    // Constant alpha of the whole window: 255 above 0.9999, fraction*155+100 above
    // 0.5, else 100.
    virtual void set_opacity(double fraction) = 0;
    // Clamped to [0, 1]; repaints at once; ignored for a name that is not a progress.
    virtual void set_progress(const std::wstring& name, double fraction) = 0;
    // Modal folder picker: true and path replaced, or false and path unchanged.
    virtual bool browse_folder(const std::wstring& title, std::wstring& path) = 0;
    // Modal message box, caption = page title, type = MB_ flags; returns the button id.
    virtual int message_box(const std::wstring& text, int type) = 0;
    // A string-table text, at most 1022 characters; empty when absent.
    virtual std::wstring load_string(int id) = 0;

    // Declared last so the operations above keep their slots 0 to 15.
    virtual ~AbstractUI() = default;
};

}  // namespace ui
