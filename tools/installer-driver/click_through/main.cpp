// The demo's automatic click-through: installs with the real window, keeping a screenshot
// of each stage, then prints where they are, what got installed and how long each phase
// of the install took, measured from outside the installer:
//   download  click .. the server's end of sending (its <serve folder>\sent.log)
//   unpack    .. the install directory appears (files are written only after decoding)
//   write     .. the uninstall entry appears (registered right after the last file)
//   rest      .. the launcher's record of its start
//   click_through.exe <installer exe> <screenshot folder> [<serve folder>]
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "installer/base/config/product.h"
#include "installer/base/paths.h"
#include "installer/ui/control_names.h"
#include "tools/installer-driver/driver.h"

namespace {

namespace fs = std::filesystem;

std::wstring shots;
int shot_number = 0;

void shot(const wchar_t* stage) {
    const std::wstring path = join_path(shots, std::to_wstring(++shot_number) + L"-" + stage + L".bmp");
    if (driver::save_screenshot(path)) std::wprintf(L"  screenshot %ls\n", path.c_str());
    std::fflush(stdout);
}

// Unix time in seconds, the clock the server writes.
double now() {
    FILETIME time = {};
    GetSystemTimeAsFileTime(&time);
    const unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return ticks / 1e7 - 11644473600.0;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool registered() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The end of the last whole package the server sent, 0 when none.
double sent_at(const std::wstring& serve) {
    std::ifstream in((serve + L"\\sent.log").c_str());
    double end = 0, time = 0;
    long long size = 0;
    while (in >> time >> size) end = time;
    return end;
}

int fail(const wchar_t* what) {
    std::wprintf(L"click-through: %ls\n", what);
    shot(L"failure");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::wprintf(L"usage: click_through <installer exe> <screenshot folder> [<serve folder>]\n");
        return 2;
    }
    shots = argv[2];
    const std::wstring serve = argc == 4 ? argv[3] : std::wstring();
    const ui::PageDescription install = driver::install_page();
    const ui::PageDescription uninstall = driver::uninstall_page();
    const std::wstring dir = L"C:\\Games\\Velkarion";
    const std::wstring record = dir + L"\\launcher\\launcher-started.txt";

    std::wprintf(L"starting the installer\n");
    driver::Installer installer(argv[1], L"");
    // The first start in a fresh prefix also starts Wine's own services: in the emulated
    // machine on a busy host that alone can take minutes.
    if (!installer.wait_window(std::chrono::minutes(5))) return fail(L"no installer window");
    std::wprintf(L"install page: \"%ls\", \"%ls\"\n", installer.text(install, control_name::PATH).c_str(),
                 installer.text(install, control_name::DISK_SIZE).c_str());
    shot(L"install-page");

    const double clicked = now();
    if (!installer.click(install, control_name::INSTALL)) return fail(L"the install button is missing or covered");
    double written_from = 0, registered_at = 0, launched = 0, closed = 0;
    bool progress_shot = false;
    SIZE_T peak = 0, last_private = 0;
    // Ten minutes, unless VELK_CLICK_THROUGH_SECONDS says otherwise (large packages in
    // the emulated machine take longer).
    const char* seconds = std::getenv("VELK_CLICK_THROUGH_SECONDS");
    const double limit = clicked + (seconds && std::atoi(seconds) > 0 ? std::atoi(seconds) : 600);
    // An error box or an installer that ended without starting the launcher ends the wait
    // at once: nothing more will happen.
    std::wstring error_box;
    double ended_at = 0;
    while (!launched && now() < limit) {
        const double t = now();
        PROCESS_MEMORY_COUNTERS memory = {};
        if (installer.running() && GetProcessMemoryInfo(installer.process(), &memory, sizeof(memory))) {
            peak = std::max(peak, std::max(memory.PeakWorkingSetSize, memory.PeakPagefileUsage));
            last_private = memory.PagefileUsage;
        }
        if (!progress_shot && t - clicked > 1.5) {
            shot(L"installing");
            progress_shot = true;
        }
        if (!written_from && exists(dir)) written_from = t;
        if (!registered_at && registered()) registered_at = t;
        if (!closed && !installer.running()) closed = t;
        if (exists(record)) launched = t;
        if (!launched) {
            if (const HWND box = installer.wait_dialog(std::chrono::milliseconds(0))) {
                error_box = driver::dialog_text(box);
                break;
            }
            // The launcher may record its start a moment after the installer has ended.
            if (closed && !ended_at) ended_at = t;
            if (ended_at && t - ended_at > 30) break;
        }
        Sleep(20);
    }
    if (!error_box.empty()) {
        for (wchar_t& c : error_box)
            if (c == L'\r' || c == L'\n') c = L' ';
        std::wprintf(L"error box: %ls\n", error_box.c_str());
        std::wprintf(L"  peak memory of the installer: %.1f MiB\n", peak / 1048576.0);
        return fail(L"the installer reported an error");
    }
    if (!launched) return fail(L"the launcher did not start");
    DWORD code = 1;
    installer.wait_exit(code, std::chrono::seconds(30));
    if (!closed) closed = now();
    Sleep(700);
    shot(L"launcher-started");

    const double downloaded = serve.empty() ? 0 : sent_at(serve);
    std::wprintf(L"install (exit code %lu), seconds after the click:\n", code);
    if (downloaded > clicked) {
        std::wprintf(L"  %-10ls %7.2f\n", L"download", downloaded - clicked);
        std::wprintf(L"  %-10ls %7.2f\n", L"unpack", written_from - downloaded);
    } else {
        std::wprintf(L"  %-10ls %7.2f\n", L"download+unpack", written_from - clicked);
    }
    std::wprintf(L"  %-10ls %7.2f\n", L"write", registered_at - written_from);
    std::wprintf(L"  %-10ls %7.2f\n", L"rest", launched - registered_at);
    std::wprintf(L"  %-10ls %7.2f (window closed at %.2f)\n", L"total", launched - clicked, closed - clicked);
    std::wprintf(L"  peak memory of the installer: %.1f MiB\n", peak / 1048576.0);
    // The last poll (every 20 ms) before it ended: the install done, the window closing.
    std::wprintf(L"  its private memory when last seen running: %.1f MiB\n", last_private / 1048576.0);

    std::wprintf(L"installed below %ls:\n", dir.c_str());
    std::error_code error;
    unsigned long long total = 0;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(dir), error)) {
        if (!entry.is_regular_file(error)) continue;
        const auto size = entry.file_size(error);
        total += size;
        if (++files <= 20) std::wprintf(L"  %12llu  %ls\n", static_cast<unsigned long long>(size), entry.path().c_str());
    }
    if (files > 20) std::wprintf(L"  ...\n");
    std::wprintf(L"  %d files, %.1f MiB\n", files, total / 1048576.0);

    std::wprintf(L"starting it again: the uninstall page\n");
    driver::Installer second(argv[1], L"");
    if (!second.wait_window(std::chrono::minutes(5))) return fail(L"no window on the second start");
    std::wprintf(L"uninstall page: \"%ls\"\n", second.text(uninstall, control_name::PATH).c_str());
    shot(L"uninstall-page");
    second.click(uninstall, control_name::EXIT);
    second.wait_exit(code, std::chrono::seconds(10));
    return 0;
}
