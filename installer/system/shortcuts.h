#pragma once
// Shell shortcuts (.lnk) to the installed launcher.
#include <string>

// Creates or overwrites link_path as a shortcut to install_dir + "\\" + LAUNCHER_PATH,
// with an empty description and install_dir as working directory. Runs in a
// single-threaded COM apartment of its own for the call; a thread already in the
// multithreaded apartment gets no shortcut. Every failure is silent.
void create_shortcut(const std::wstring& install_dir, const std::wstring& link_path);

// The current user's desktop folder + "\\" + DESKTOP_SHORTCUT_NAME, looked up on each call.
// Empty when the desktop folder cannot be determined: callers then skip the desktop
// shortcut.
std::wstring desktop_shortcut_path();
