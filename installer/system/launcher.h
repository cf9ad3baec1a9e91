#pragma once
// Starting the installed launcher.
#include <string>

// The launcher executable below install_dir: one backslash between them, never two.
std::wstring launcher_executable(const std::wstring& install_dir);

// Starts the launcher with its full path as the application name (and, quoted, as the
// whole command line, without arguments) and install_dir as current directory; does not
// wait for it. Returns whether the process was created. Nothing is shown either way.
bool start_launcher(const std::wstring& install_dir);
