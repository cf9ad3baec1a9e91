#pragma once
// What the install and the uninstall page's controllers share: the window they make and
// show, the one worker thread, the window's own buttons and the closing step that starts
// the launcher or reports the outcome.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "installer/app/window_factory.h"
#include "installer/app/worker_context.h"

class PageController : public ui::Callback {
public:
    // Joins a running worker before the window is released, so tasks it posts always
    // reach a live window object.
    ~PageController();
    PageController(const PageController&) = delete;
    PageController& operator=(const PageController&) = delete;

    // Whether a worker was started (it may have ended since), and which.
    bool has_worker() const noexcept { return worker_ != nullptr; }
    std::thread::id worker_id() const noexcept { return worker_ ? worker_->get_id() : std::thread::id(); }
    // Waits for the worker, if one runs.
    void join_worker();
    bool cancel_requested() const noexcept { return cancel_requested_.load(); }

protected:
    PageController(WindowFactory make_window, PageBuilder build_page, InstallFn install);

    // Makes the window, builds and creates the page, lets fill set its controls, shows
    // everything under the given stage name and blocks in the window's message loop.
    void show_page(const std::function<void()>& fill, const wchar_t* stage);
    // Exit and minimize; true when name is one of them.
    bool window_button(const std::wstring& name);
    // Starts body on the worker thread unless a worker was started before. The body's
    // finish posts the closing step, which starts the launcher in launch_dir.
    void start_worker(std::function<void(const WorkerContext&)> body, std::wstring launch_dir);

    ui::AbstractUI& window() const { return *window_; }
    void request_cancel() { cancel_requested_.store(true); }

private:
    // Runs on the user-interface thread: starts the launcher on success, else reports
    // unless a close was requested; then closes the window.
    void complete(const std::wstring& outcome, const std::wstring& launch_dir);

    WindowFactory make_window_;
    PageBuilder build_page_;
    const InstallFn install_procedure_;
    std::shared_ptr<ui::AbstractUI> window_;
    std::atomic<bool> cancel_requested_{false};
    std::unique_ptr<std::thread> worker_;
};
