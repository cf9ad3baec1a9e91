#pragma once
// What a page's worker thread may use: the window (only through post), the close request,
// the install procedure and the step that hands its outcome back to the page.
#include <atomic>
#include <functional>
#include <string>

#include "installer/app/window_factory.h"

struct WorkerContext {
    ui::AbstractUI& window;
    const std::atomic<bool>& cancel_requested;
    const InstallFn& install_procedure;
    // Hands the outcome (empty on success) to the user-interface thread.
    std::function<void(const std::wstring& outcome)> finish;
};

// Sets the page's progress bar to fraction (0..1) from any thread.
void post_progress(ui::AbstractUI& window, double fraction);

void pause_milliseconds(int milliseconds);

// The install procedure's progress function: posts every value as a fraction of 100.
// When stoppable, it answers false (stop) once a close was requested. Called from the
// extraction's threads too: it reads only the atomic flag and posts.
ProgressFn posting_progress(const WorkerContext& context, bool stoppable);
