#pragma once
// The uninstall page's controller: offers uninstall and reinstall of a recorded install.
#include <functional>
#include <string>

#include "installer/app/page_controller.h"

class UninstallController : public PageController {
public:
    // end_process defaults to terminating the current process with exit code 0; it is what
    // the uninstall worker calls last.
    UninstallController(WindowFactory make_window, PageBuilder build_page, InstallFn install,
                        std::function<void()> end_process = std::function<void()>());

    // Shows the page with the location and blocks in the window's message loop.
    void run(const std::wstring& install_location);
    void on_event(const std::wstring& name, int code) override;
    // True until a worker has been started: neither uninstall nor reinstall is stopped.
    bool can_close() override;

private:
    void start(bool reinstall);

    std::wstring install_location_;  // ends with a backslash as registered
    std::function<void()> end_process_;
};
