#pragma once
// Removing an installation from the disk and the registry, and the program's removal of
// its own file through a batch script once its process has ended.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

using RemovalProgressFn = std::function<void(double)>;

// Files the tree removal has tried to delete in this process; never reset.
extern std::atomic<std::int32_t> deleted_file_count;

// Deletes every file below folder, then the folders themselves (each only once empty).
// After each file: ++deleted_file_count, then progress(deleted_file_count / 10000.0).
// Read-only and locked files stay, with the folders above them. A junction or symbolic
// link is never followed: the link itself is removed, what it points to stays.
// A folder that cannot be listed is skipped silently.
void remove_tree(const std::wstring& folder, const RemovalProgressFn& progress);

// remove_tree(folder), then the desktop shortcut and the uninstall key, then
// self_remove(folder). Reports nothing.
void remove_installation(const std::wstring& folder, const RemovalProgressFn& progress);

// When the running program lives in folder: writes the self-delete script to the
// temporary folder and starts it hidden, at idle priority, with the program's path as its
// argument; the script deletes the file once the process has ended, then the folder.
// Otherwise does nothing. Failures are silent.
void self_remove(const std::wstring& folder);

// self_remove for a program at own_path.
void self_remove_for(const std::wstring& own_path, const std::wstring& folder);

// The command line that runs script with program as its argument through cmd (its full
// path): both paths quoted, the outer quotes stripped by "/c".
std::wstring self_delete_command_line(const std::wstring& cmd_path, const std::wstring& script_path,
                                      const std::wstring& program_path);
