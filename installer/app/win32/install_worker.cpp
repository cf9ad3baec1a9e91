#include "installer/app/install_worker.h"

#include <chrono>
#include <thread>

#include "installer/app/controller.h"
#include "installer/app/dry_run.h"
#include "installer/base/progress.h"
#include "installer/ui/control_names.h"

namespace {

void post_progress(ui::AbstractUI& window, double fraction) {
    window.post([&window, fraction] { window.set_progress(control_name::PROGRESS, fraction); });
}

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

void install_worker(Controller& controller, std::wstring install_dir, bool create_desktop_shortcut) {
    ui::AbstractUI& window = *controller.window;
    if (dry_run) {
        for (int p = 0; p <= 100; p += 5) {
            if (controller.cancel_requested.load()) break;
            post_progress(window, p / 100.0);
            pause(200);
        }
        controller.finish(L"dry run");
        return;
    }
    // Called from the extraction's threads too: reads only the atomic flag and posts.
    ProgressFn progress = [&controller, &window](int value) {
        if (controller.cancel_requested.load()) return false;
        if (value != PROGRESS_ASK_ONLY) post_progress(window, value / 100.0);
        return true;
    };
    controller.finish(controller.install_procedure(std::move(install_dir), create_desktop_shortcut, progress));
}
