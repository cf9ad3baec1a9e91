#pragma once
// Body of the install worker thread. It touches the window only through post.
#include <string>

#include "installer/app/worker_context.h"

// Under dry_run 21 simulated progress steps (0, 5, ..., 100, 200 ms apart, stopping early
// once a close was requested) ending in the outcome "dry run"; otherwise the install
// procedure over install_dir (a copy taken on the user-interface thread) with a progress
// function that stops the download or unpack once a close was requested.
// Ends with context.finish(outcome).
void install_worker(const WorkerContext& context, std::wstring install_dir, bool create_desktop_shortcut);
