#pragma once
// Progress callback of the long operations: takes a percentage, returns false to stop.
#include <functional>
using ProgressFn = std::function<bool(int)>;

// The value of a call that shows nothing and only asks whether to go on: a step with no
// percentage to show (a download whose length is unknown) still notices a stop request.
// Callbacks that show progress ignore it.
constexpr int PROGRESS_ASK_ONLY = -1;
