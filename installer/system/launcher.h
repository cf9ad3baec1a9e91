#pragma once
// Starting the installed launcher.
#include <string>

#include "installer/system/run_as_user.h"

// The launcher executable below install_dir: one backslash between them, never two.
std::wstring launcher_executable(const std::wstring& install_dir);

// Starts the launcher with install_dir as current directory and without arguments, with the
// desktop user's rights when this process is elevated (start_as_desktop_user); otherwise
// directly, its full path as the application name and, quoted, as the whole command line.
// Does not wait for it. Returns whether it was started. Nothing is shown either way.
bool start_launcher(const std::wstring& install_dir, Elevation elevation = Elevation::of_this_process);
