#pragma once
// Progress callback of the long operations: takes a percentage, returns false to stop.
#include <functional>
using ProgressFn = std::function<bool(int)>;

// The value of a call that shows nothing and only asks whether to go on: a step with no
// percentage to show (a download whose length is unknown) still notices a stop request.
// Callbacks that show progress ignore it.
constexpr int PROGRESS_ASK_ONLY = -1;

// Where the install's steps stand on its one scale of 0 to 100.
namespace progress_stage {
constexpr int DOWNLOADED = 80;    // the body takes 0 to 80
constexpr int UNPACKED = 90;      // reading the entries takes 80 to 90
constexpr int WRITING = 92;       // before each written file
constexpr int REGISTERING = 93;   // before the uninstall entry
constexpr int SHORTCUTS = 94;     // before the shortcuts
constexpr int UNINSTALLER = 95;   // before the copy of the program
constexpr int DONE = 100;
}  // namespace progress_stage
