// The program's entry: hardens DLL loading, reads the options and the recorded install
// location, and runs exactly one controller on the main thread.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "installer/app/controller.h"
#include "installer/app/dry_run.h"
#include "installer/app/install_location.h"
#include "installer/app/install_procedure.h"
#include "installer/app/options.h"
#include "installer/app/uninstall/uninstall_controller.h"
#include "installer/base/win32/redirection_trust.h"
#include "installer/base/win32/scoped.h"
#include "installer/base/win32/system_library.h"
#include "installer/ui/main_window.h"
#include "installer/ui/pages.h"

namespace {

std::wstring run_install_procedure(std::wstring install_dir, bool create_desktop_shortcut, ProgressFn& progress) {
    return install_procedure(std::move(install_dir), create_desktop_shortcut, progress);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a library: a DLL planted beside the exe or in the current
    // folder must never be picked up, by this program or by the system DLLs it uses.
    base::restrict_dll_search();
    // Links a standard user planted on the install's paths are then ignored by the system.
    base::enforce_redirection_trust();
    CoInitialize(nullptr);  // the result does not matter; the process ends instead of uninitialising
    StartOptions options;
    {
        int count = 0;
        const base::LocalMemory<wchar_t**> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
        options = read_options(arguments ? count : 0, arguments.get());
    }
    dry_run = options.dry_run;  // before any worker thread exists
    std::wstring location;
    const bool recorded = read_install_location(location);
    if (!recorded || options.force_install) {
        Controller controller(ui::create_main_window, build_install_page, run_install_procedure);
        controller.run();
    } else {
        UninstallController controller(ui::create_main_window, build_uninstall_page, run_install_procedure);
        controller.run(location);
    }
    return 0;
}
