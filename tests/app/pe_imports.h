#pragma once
// Reads the names of the DLLs in a PE file's load-time import table, from the file's
// bytes. Throws std::runtime_error with a sentence when the file is not a valid PE image.
#include <string>
#include <vector>

std::vector<std::string> load_time_imports(const std::string& image);
// The DLLs named by the delay-load import table (bound on first call, not at load).
std::vector<std::string> delay_load_imports(const std::string& image);
