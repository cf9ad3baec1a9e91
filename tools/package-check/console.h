#pragma once
// The platform side of package-check: arguments and paths as wide strings, output as
// UTF-8 text.
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

namespace console {

// Prepares the output (UTF-8 on a Windows console).
void start();

// The command-line arguments after the program name, as UTF-16 code units.
std::vector<std::wstring> arguments(int argc, char** argv);

// A path given on the command line as the file system library takes it.
boost::filesystem::path to_path(const std::wstring& text);

// Writes one line of text (UTF-16 code units) as UTF-8 and flushes it.
void line(const std::wstring& text);

}  // namespace console
