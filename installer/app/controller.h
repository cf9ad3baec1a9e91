#pragma once
// The install page's controller: shows the page, reacts to its controls, runs one install
// worker and completes the install on the user-interface thread.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "installer/app/window_factory.h"

class Controller : public ui::Callback {
public:
    Controller(WindowFactory make_window, PageBuilder build_page, InstallFn install);
    // Joins a running worker before the window is released, so tasks it posts always
    // reach a live window object.
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // Builds and shows the install page, then blocks in the window's message loop.
    void run();
    void on_event(const std::wstring& name, int code) override;
    bool can_close() override;
    // Called by the worker at its end: posts the completion step.
    void finish(const std::wstring& outcome);

    // Install location and disk space (install_location.cpp).
    void compose_install_path();
    void refresh_disk_space();

    std::shared_ptr<ui::AbstractUI> window;
    std::unique_ptr<std::thread> worker;
    std::atomic<bool> cancel_requested{false};
    std::wstring install_dir;
    int available_gb = 0;

    // The parts it was built from; the workers run install_procedure through it.
    const InstallFn install_procedure;

private:
    WindowFactory make_window_;
    PageBuilder build_page_;
    void start_install();
    // Runs on the user-interface thread: starts the launcher or reports, then closes.
    void complete(const std::wstring& outcome);

};
