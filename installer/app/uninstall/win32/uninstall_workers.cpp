#include "installer/app/uninstall/uninstall_workers.h"

#include <windows.h>

#include <chrono>
#include <thread>

#include "installer/app/dry_run.h"
#include "installer/app/uninstall/uninstall_controller.h"
#include "installer/base/paths.h"
#include "installer/base/progress.h"
#include "installer/system/registration.h"
#include "installer/system/removal.h"
#include "installer/system/shortcuts.h"
#include "installer/ui/control_names.h"

namespace {

void post_progress(ui::AbstractUI& window, double fraction) {
    window.post([&window, fraction] { window.set_progress(control_name::PROGRESS, fraction); });
}

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

std::wstring uninstall_base(const std::wstring& location) {
    return is_absolute_windows_path(location) ? with_trailing_backslash(location) : std::wstring();
}

void uninstall_worker(UninstallController& controller) {
    ui::AbstractUI& window = *controller.window;
    const std::wstring base = uninstall_base(controller.install_location);
    if (dry_run) {
        for (int v = 0; v <= 100; v += 2) {
            post_progress(window, v / 100.0);
            pause(100);
        }
    } else if (!base.empty()) {
        remove_installation(base + L"launcher", [&window](double value) { post_progress(window, value); });
    } else {
        // Nothing on the disk can be named safely; the entry and the shortcut still go, so
        // the next start offers a fresh install.
        const std::wstring desktop = desktop_shortcut_path();
        if (!desktop.empty()) DeleteFileW(desktop.c_str());
        unregister_uninstall();
    }
    if (!base.empty()) {
        DeleteFileW((base + L"apps.ini").c_str());
        DeleteFileW((base + L"Launcher.lnk").c_str());
    }
    controller.end_process();
}

void reinstall_worker(UninstallController& controller) {
    ui::AbstractUI& window = *controller.window;
    if (dry_run) {
        for (int v = 0; v < 100; v += 2) {
            post_progress(window, v / 100.0);
            pause(100);
        }
        post_progress(window, 1.0);
        controller.finish(L"dry run");
        return;
    }
    ProgressFn progress = [&window](int value) {
        if (value != PROGRESS_ASK_ONLY) post_progress(window, value / 100.0);
        return true;  // a reinstall cannot be stopped
    };
    controller.finish(controller.install_procedure(controller.install_location, true, progress));
}
