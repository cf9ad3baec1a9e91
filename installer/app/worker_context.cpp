#include "installer/app/worker_context.h"

#include <chrono>
#include <thread>

#include "installer/ui/control_names.h"

void post_progress(ui::AbstractUI& window, double fraction) {
    window.post([&window, fraction] { window.set_progress(control_name::PROGRESS, fraction); });
}

void pause_milliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

ProgressFn posting_progress(const WorkerContext& context, bool stoppable) {
    ui::AbstractUI& window = context.window;
    const std::atomic<bool>& cancel_requested = context.cancel_requested;
    return [&window, &cancel_requested, stoppable](int value) {
        if (stoppable && cancel_requested.load()) return false;
        if (value != PROGRESS_ASK_ONLY) post_progress(window, value / 100.0);
        return true;
    };
}
