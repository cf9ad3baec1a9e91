#pragma once
#include <cstddef>

// The batch script that deletes the file named by its first argument, retrying until the
// file is gone, then removes the file's folder once it is empty. ASCII with line feeds.
extern const char SELF_DELETE_SCRIPT[];
constexpr std::size_t SELF_DELETE_SCRIPT_SIZE = 217;
