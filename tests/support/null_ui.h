#pragma once
// A window that does nothing: the base of the test doubles, which override what they
// watch. Every call it receives goes through `unused`, which a strict double overrides to
// fail the test.
#include <functional>
#include <string>

#include "installer/ui/abstract_ui.h"

namespace test_support {

class NullUI : public ui::AbstractUI {
public:
    void create(const ui::PageDescription&, ui::Callback*) override { unused("create"); }
    void run() override { unused("run"); }
    void close() override { unused("close"); }
    void minimize() override { unused("minimize"); }
    void post(std::function<void()>) override { unused("post"); }
    void set_visible(const std::wstring&, bool) override { unused("set_visible"); }
    void show_all(const std::wstring&) override { unused("show_all"); }
    void set_text(const std::wstring&, const std::wstring&) override { unused("set_text"); }
    std::wstring get_text(const std::wstring&) override { return unused("get_text"), std::wstring(); }
    void set_checked(const std::wstring&, bool) override { unused("set_checked"); }
    bool is_checked(const std::wstring&) override { return unused("is_checked"), false; }
    void set_opacity(double) override { unused("set_opacity"); }
    void set_progress(const std::wstring&, double) override { unused("set_progress"); }
    bool browse_folder(const std::wstring&, std::wstring&) override { return unused("browse_folder"), false; }
    int message_box(const std::wstring&, int) override { return unused("message_box"), 0; }
    std::wstring load_string(int) override { return unused("load_string"), std::wstring(); }

protected:
    virtual void unused(const char* /*call*/) {}
};

}  // namespace test_support
