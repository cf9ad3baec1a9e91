#pragma once
// Bodies of the uninstall page's worker threads. They touch the window only through post.
#include <functional>
#include <string>

#include "installer/app/worker_context.h"

// Removes the launcher folder, the desktop shortcut, the uninstall entry and the two
// files of the install location, then ends the process through end_process
// (exit code 0; it does not return unless a test replaced that step). Under dry_run 51
// simulated progress steps stand for the removal; the two files still go.
// A location that is not an absolute path removes nothing from the disk (it would name
// folders relative to the current directory); one without its trailing backslash is
// read as if it had one.
void uninstall_worker(const WorkerContext& context, const std::wstring& location,
                      const std::function<void()>& end_process);

// The install procedure over the recorded location with the desktop shortcut, or 51
// simulated progress steps ending in "dry run" under dry_run; then context.finish. A
// close request does not stop it.
void reinstall_worker(const WorkerContext& context, const std::wstring& location);

// The install location with one trailing backslash, the base of every path the uninstall
// deletes; empty when location is not an absolute path.
std::wstring uninstall_base(const std::wstring& location);
