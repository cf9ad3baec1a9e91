#include "installer/app/uninstall/uninstall_controller.h"

#include <windows.h>

#include "installer/app/uninstall/uninstall_workers.h"
#include "installer/ui/control_names.h"

UninstallController::UninstallController(WindowFactory make_window, PageBuilder build_page, InstallFn install,
                                         std::function<void()> end_process)
    : PageController(std::move(make_window), std::move(build_page), std::move(install)) {
    end_process_ = end_process ? std::move(end_process) : [] { TerminateProcess(GetCurrentProcess(), 0); };
}

void UninstallController::run(const std::wstring& location) {
    install_location_ = location;
    show_page([this] { window().set_text(control_name::PATH, install_location_); }, L"");
}

void UninstallController::on_event(const std::wstring& name, int) {
    if (window_button(name)) return;
    if (name == control_name::REINSTALL) {
        start(true);
    } else if (name == control_name::UNINSTALL) {
        start(false);
    }
}

void UninstallController::start(bool reinstall) {
    // Both buttons are hidden now; the worker guard only matters for events sent by other means.
    window().set_visible(control_name::REINSTALL, false);
    window().set_visible(control_name::UNINSTALL, false);
    // The worker gets copies: it may outlive this object's own fields while the base joins it.
    if (reinstall) {
        start_worker([location = install_location_](const WorkerContext& context) { reinstall_worker(context, location); },
                     install_location_);
    } else {
        start_worker([location = install_location_, end = end_process_](const WorkerContext& context) {
            uninstall_worker(context, location, end);
        }, install_location_);
    }
}

bool UninstallController::can_close() { return !has_worker(); }
