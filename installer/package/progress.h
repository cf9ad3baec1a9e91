#pragma once
// Progress callback of the long operations: takes a percentage, returns false to stop.
#include <functional>
using ProgressFn = std::function<bool(int)>;
