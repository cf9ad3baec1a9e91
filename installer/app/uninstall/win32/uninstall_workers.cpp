#include "installer/app/uninstall/uninstall_workers.h"

#include <windows.h>

#include "installer/app/dry_run.h"
#include "installer/base/paths.h"
#include "installer/system/registration.h"
#include "installer/system/removal.h"
#include "installer/system/shortcuts.h"

std::wstring uninstall_base(const std::wstring& location) {
    return is_absolute_windows_path(location) ? with_trailing_backslash(location) : std::wstring();
}

void uninstall_worker(const WorkerContext& context, const std::wstring& location,
                      const std::function<void()>& end_process) {
    ui::AbstractUI& window = context.window;
    const std::wstring base = uninstall_base(location);
    if (dry_run) {
        for (int v = 0; v <= 100; v += 2) {
            post_progress(window, v / 100.0);
            pause_milliseconds(100);
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
    end_process();
}

void reinstall_worker(const WorkerContext& context, const std::wstring& location) {
    ui::AbstractUI& window = context.window;
    if (dry_run) {
        for (int v = 0; v < 100; v += 2) {
            post_progress(window, v / 100.0);
            pause_milliseconds(100);
        }
        post_progress(window, 1.0);
        context.finish(L"dry run");
        return;
    }
    ProgressFn progress = posting_progress(context, false);
    context.finish(context.install_procedure(location, true, progress));
}
