#pragma once
// The command line: the arguments after the program name as a set of whole,
// case-sensitive options. Anything else is ignored without a message.
#include <set>
#include <string>

struct StartOptions {
    bool dry_run = false;        // "--dry-run"
    bool force_install = false;  // "--install"
};

// argv[0] is the program name and is skipped; null entries are ignored.
std::set<std::wstring> collect_options(int argc, const wchar_t* const* argv);
StartOptions read_options(int argc, const wchar_t* const* argv);
