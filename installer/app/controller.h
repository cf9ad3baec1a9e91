#pragma once
// The install page's controller: shows the page, reacts to its controls, runs one install
// worker and completes the install on the user-interface thread.
#include <string>

#include "installer/app/page_controller.h"

class Controller : public PageController {
public:
    Controller(WindowFactory make_window, PageBuilder build_page, InstallFn install);

    // Builds and shows the install page, then blocks in the window's message loop.
    void run();
    void on_event(const std::wstring& name, int code) override;
    // True until the install started; afterwards a close request stops the install and
    // the window closes once the worker has finished, without reporting.
    bool can_close() override;

    const std::wstring& install_dir() const noexcept { return install_dir_; }
    // Free space of the path's drive in GiB. A path whose drive cannot be measured keeps
    // the last figure, which tests set here.
    int available_gb() const noexcept { return available_gb_; }
    void set_available_gb(int gb) noexcept { available_gb_ = gb; }

private:
    void start_install();
    // Install location and disk space (disk_space.cpp).
    void compose_install_path();
    void refresh_disk_space();

    std::wstring install_dir_;
    int available_gb_ = 0;
};
