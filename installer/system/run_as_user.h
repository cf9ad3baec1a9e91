#pragma once
// Starting a program or opening a URL with the desktop user's own rights.
//
// The installer runs elevated for every administrator. A process it creates inherits that
// token, and the launcher would hand it on to every game and updater it starts; a browser
// would browse as administrator. What the desktop shell starts gets the token of the
// logged-on desktop session, and the shell as its parent.
#include <functional>
#include <string>

// Whether this process counts as elevated: asked of its token, or given by a test.
enum class Elevation { of_this_process, elevated, not_elevated };

// The way a start went.
enum class StartRoute { none, desktop_shell, direct };

// When elevated, hands file (a program's full path or a URL) to the desktop shell to open
// ("open", no arguments, shown normally) with directory as the current folder (empty: the
// shell's choice). When not elevated, or when the shell cannot be reached, start_directly
// runs instead: this process's own way, which then passes on no rights it should not.
// none when neither started it. Enters a COM apartment for the call where the thread has none.
StartRoute start_as_desktop_user(const std::wstring& file, const std::wstring& directory,
                                 const std::function<bool()>& start_directly,
                                 Elevation elevation = Elevation::of_this_process);
