#pragma once
// Starting a program that runs on its own: the installer never waits for it.
#include <windows.h>

#include <string>

// Starts program with command_line (program's own quoted path first) in folder (empty:
// this process's current folder) with the creation flags given, the window hidden when
// hidden is set. The new process's handles are closed at once. False when it did not start.
bool start_detached_process(const std::wstring& program, std::wstring command_line, const std::wstring& folder,
                            DWORD creation_flags, bool hidden);
