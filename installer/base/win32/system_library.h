#pragma once
// A system DLL that is not a KnownDLL, loaded by name from the system folder only, so a
// copy planted beside the exe or in the current folder is never used. Side-by-side
// redirection (common controls 6 from the manifest) applies first, as for any load by
// name. The program links no import library for such DLLs: it reaches them only through
// function tables filled from a SystemLibrary, in the exe and in every test alike.
#include <windows.h>

#include <initializer_list>

#include "installer/base/win32/scoped.h"

namespace base {

class SystemLibrary {
public:
    // Loads file_name ("gdiplus.dll"). On failure module() is null and error() holds the
    // system's code; nothing throws.
    explicit SystemLibrary(const wchar_t* file_name);

    HMODULE module() const { return module_.get(); }
    DWORD error() const { return error_; }

    // Sets slot to the export name and returns whether it exists; a missing library or
    // export leaves slot null. Fn carries the calling convention of the declaration it
    // was taken from (decltype(&::WinHttpOpen)), which is what the i686 build relies on.
    template <class Fn>
    bool bind(Fn& slot, const char* name) const {
        FARPROC address = module_ ? GetProcAddress(module_.get(), name) : nullptr;
        slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
        return slot != nullptr;
    }

private:
    Module module_;
    DWORD error_ = 0;
};

// Loads each of file_names from the system folder once per process and keeps it loaded
// until the process ends: for the DLLs that a system DLL of the program loads later on
// its own (a codec, the certificate store). Loaders that search the program's folder for
// such late loads (Windows without the search-order update; Wine, for the dependencies
// of system DLLs) would take a planted copy; loaded first, they are found already loaded
// instead. Names that cannot be loaded are skipped. Thread-safe.
void preload_system_libraries(std::initializer_list<const wchar_t*> file_names);

// Only the system folder is searched from now on, for every later load in the process
// (also the dependencies that system DLLs load themselves); without the system update
// that added this, at least the current folder is dropped from the search.
void restrict_dll_search();

}  // namespace base
