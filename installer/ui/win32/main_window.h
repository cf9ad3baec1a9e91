#pragma once
// The skinned top-level window: a borderless layered popup painted from pictures.

#include <windows.h>

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "installer/ui/abstract_ui.h"
#include "installer/ui/win32/bitmap_controls.h"
#include "installer/ui/win32/gdi_owners.h"
#include "installer/ui/win32/image.h"
#include "installer/ui/win32/window_base.h"

namespace ui {

class MainWindow : public AbstractUI, private WindowBase {
public:
    MainWindow();
    ~MainWindow() override;

    void create(const PageDescription& page, Callback* callback) override;
    void run() override;
    void close() override;
    void minimize() override;
    void post(std::function<void()> task) override;
    void set_visible(const std::wstring& name, bool visible) override;
    void show_all(const std::wstring& tag) override;
    void set_text(const std::wstring& name, const std::wstring& text) override;
    std::wstring get_text(const std::wstring& name) override;
    void set_checked(const std::wstring& name, bool checked) override;
    bool is_checked(const std::wstring& name) override;
    void set_opacity(double fraction) override;
    void set_progress(const std::wstring& name, double fraction) override;
    bool browse_folder(const std::wstring& title, std::wstring& path) override;
    int message_box(const std::wstring& text, int type) override;
    std::wstring load_string(int id) override;

    HWND window() const { return hwnd(); }
    // The control's window, or null.
    HWND control(const std::wstring& name) const;

private:
    struct Progress {
        HWND window = nullptr;
        ImageRef fill;
        double fraction = 0.0;
    };

    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void centre();
    HWND create_control(const ControlDescription& d);
    void paint_background();
    void draw_item(const DRAWITEMSTRUCT& item);
    void run_tasks();

    PageDescription page_;
    Callback* callback_ = nullptr;
    std::map<HWND, const ControlDescription*> by_handle_;
    std::map<std::wstring, HWND> by_name_;
    std::map<std::wstring, BitmapCheck*> checks_;
    std::map<std::wstring, OwnedFont> fonts_;
    std::map<std::wstring, Progress> progress_;
    std::vector<std::unique_ptr<PushButtonBase>> buttons_;
    PictureCache pictures_;
    ImageRef background_;
    std::list<std::function<void()>> tasks_;
    std::mutex task_mutex_;
    bool closing_ = false;
    OwnedBrush edit_brush_;
};

}  // namespace ui
