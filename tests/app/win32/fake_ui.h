#pragma once
// A window double for the controllers: records what they do to the controls and runs the
// posted tasks on the test thread when the test pumps them.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/null_ui.h"

class FakeUI : public test_support::NullUI {
public:
    void create(const ui::PageDescription&, ui::Callback* cb) override { callback = cb; }
    void run() override {}
    void close() override { closed = true; }
    void minimize() override { minimized = true; }
    void post(std::function<void()> task) override {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
        wake_.notify_all();
    }
    void set_visible(const std::wstring& name, bool v) override {
        visible[name] = v;
        hidden_order.push_back(v ? L"+" + name : name);
    }
    void show_all(const std::wstring& tag) override {
        for (auto& entry : visible) entry.second = true;
        shown_all = true;
    }
    void set_text(const std::wstring& name, const std::wstring& t) override { text[name] = t; }
    std::wstring get_text(const std::wstring& name) override { return text[name]; }
    void set_checked(const std::wstring& name, bool c) override { checked[name] = c; }
    bool is_checked(const std::wstring& name) override { return checked[name]; }
    void set_opacity(double) override {}
    void set_progress(const std::wstring& name, double fraction) override {
        if (name == L"progress") progress.push_back(fraction);
    }
    bool browse_folder(const std::wstring&, std::wstring& path) override {
        if (browse_result.empty()) return false;
        path = browse_result;
        return true;
    }
    int message_box(const std::wstring& t, int type) override {
        messages.push_back(t);
        message_types.push_back(type);
        return answer;
    }
    std::wstring load_string(int id) override;

    // Runs posted tasks on this thread until a task closes the window or time runs out.
    bool pump_until_closed(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Runs whatever is queued now.
    void pump_once();

    ui::Callback* callback = nullptr;
    bool closed = false, minimized = false, shown_all = false;
    int answer = 6;  // IDYES
    std::wstring browse_result;
    std::map<std::wstring, bool> visible, checked;
    std::map<std::wstring, std::wstring> text;
    std::vector<std::wstring> hidden_order, messages;
    std::vector<int> message_types;
    std::vector<double> progress;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
};
