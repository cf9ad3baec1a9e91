#pragma once
// The uninstall page's controller: offers uninstall and reinstall of a recorded install.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "installer/app/window_factory.h"

class UninstallController : public ui::Callback {
public:
    // end_process defaults to terminating the current process with exit code 0; it is what
    // the uninstall worker calls last.
    UninstallController(WindowFactory make_window, PageBuilder build_page, InstallFn install,
                        std::function<void()> end_process = std::function<void()>());
    ~UninstallController();  // joins the worker, then releases the window
    UninstallController(const UninstallController&) = delete;
    UninstallController& operator=(const UninstallController&) = delete;

    // Shows the page with the location and blocks in the window's message loop.
    void run(const std::wstring& install_location);
    void on_event(const std::wstring& name, int code) override;
    // True until a worker has been started.
    bool can_close() override;
    // Called by the reinstall worker: posts the report-or-launch-and-close step.
    void finish(const std::wstring& text);
    void end_process();

    std::shared_ptr<ui::AbstractUI> window;
    std::unique_ptr<std::thread> worker;
    std::wstring install_location;  // ends with a backslash as registered

    // The workers run the install procedure through it.
    const InstallFn install_procedure;

private:
    void start(void (*body)(UninstallController&));

    WindowFactory make_window_;
    PageBuilder build_page_;
    std::function<void()> end_process_;
};
