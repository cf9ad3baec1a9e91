#include "installer/app/install_worker.h"

#include "installer/app/dry_run.h"

void install_worker(const WorkerContext& context, std::wstring install_dir, bool create_desktop_shortcut) {
    if (dry_run) {
        for (int p = 0; p <= 100; p += 5) {
            if (context.cancel_requested.load()) break;
            post_progress(context.window, p / 100.0);
            pause_milliseconds(200);
        }
        context.finish(L"dry run");
        return;
    }
    ProgressFn progress = posting_progress(context, true);
    context.finish(context.install_procedure(std::move(install_dir), create_desktop_shortcut, progress));
}
