#include "installer/app/uninstall/uninstall_controller.h"

#include <windows.h>

#include "installer/app/uninstall/uninstall_workers.h"
#include "installer/base/config/string_ids.h"
#include "installer/system/launcher.h"
#include "installer/ui/control_names.h"

UninstallController::UninstallController(WindowFactory make_window, PageBuilder build_page, InstallFn install,
                                         std::function<void()> end_process)
    : install_procedure(std::move(install)), make_window_(std::move(make_window)), build_page_(std::move(build_page)), end_process_(std::move(end_process)) {}

UninstallController::~UninstallController() {
    if (worker && worker->joinable()) worker->join();
    worker.reset();
    window.reset();
}

void UninstallController::run(const std::wstring& location) {
    install_location = location;
    window = make_window_();
    {
        ui::PageDescription page;
        build_page_(page, *window);
        window->create(page, this);
        window->set_text(control_name::PATH, install_location);
        window->show_all(L"");
    }
    window->run();
}

void UninstallController::on_event(const std::wstring& name, int) {
    if (name == control_name::EXIT) {
        window->close();
    } else if (name == control_name::MINIMIZE) {
        window->minimize();
    } else if (name == control_name::REINSTALL) {
        start(reinstall_worker);
    } else if (name == control_name::UNINSTALL) {
        start(uninstall_worker);
    }
}

void UninstallController::start(void (*body)(UninstallController&)) {
    // Both buttons are hidden now; the guard only matters for events sent by other means.
    window->set_visible(control_name::REINSTALL, false);
    window->set_visible(control_name::UNINSTALL, false);
    if (worker) return;
    worker = std::make_unique<std::thread>(body, std::ref(*this));
}

bool UninstallController::can_close() { return !worker; }

void UninstallController::finish(const std::wstring& text) {
    window->post([this, text] {
        if (!text.empty())
            window->message_box(window->load_string(IDS_INSTALL_ERROR) + text, MB_ICONERROR);
        else
            start_launcher(install_location);
        window->close();
    });
}

void UninstallController::end_process() {
    if (end_process_) {
        end_process_();
        return;
    }
    TerminateProcess(GetCurrentProcess(), 0);
}
