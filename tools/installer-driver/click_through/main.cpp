// The demo's automatic click-through: installs with the real window, keeping a screenshot
// of each stage, then prints where they are, what got installed and how long it took.
//   click_through.exe <installer exe> <folder for the screenshots>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/installer-driver/driver.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::wstring shots;
int shot_number = 0;

void shot(const wchar_t* stage) {
    const std::wstring path = shots + L"\\" + std::to_wstring(++shot_number) + L"-" + stage + L".bmp";
    if (driver::save_screenshot(path)) std::wprintf(L"  screenshot %ls\n", path.c_str());
    std::fflush(stdout);
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int fail(const wchar_t* what) {
    std::wprintf(L"click-through: %ls\n", what);
    shot(L"failure");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::wprintf(L"usage: click_through <installer exe> <screenshot folder>\n");
        return 2;
    }
    shots = argv[2];
    const ui::PageDescription install = driver::install_page();
    const ui::PageDescription uninstall = driver::uninstall_page();
    const std::wstring dir = L"C:\\Games\\Velkarion";

    std::wprintf(L"starting the installer\n");
    driver::Installer installer(argv[1], L"");
    if (!installer.wait_window()) return fail(L"no installer window");
    std::wprintf(L"install page: \"%ls\", \"%ls\"\n", installer.text(install, L"path").c_str(),
                 installer.text(install, L"disk_size").c_str());
    shot(L"install-page");

    const auto clicked = Clock::now();
    if (!installer.click(install, L"install")) return fail(L"no install button");
    Sleep(300);
    shot(L"installing");
    const std::wstring record = dir + L"\\launcher\\launcher-started.txt";
    DWORD code = 1;
    if (!installer.wait_exit(code, std::chrono::minutes(10))) return fail(L"the install did not end");
    const double closed = seconds_since(clicked);
    if (!driver::wait_for([&] { return GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; },
                          std::chrono::seconds(30)))
        return fail(L"the launcher did not start");
    const double launched = seconds_since(clicked);
    Sleep(700);
    shot(L"launcher-started");
    std::wprintf(L"install: window closed %.2f s after the click (exit code %lu), launcher started after %.2f s\n",
                 closed, code, launched);

    std::wprintf(L"installed below %ls:\n", dir.c_str());
    std::error_code error;
    unsigned long long total = 0;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(dir), error)) {
        if (!entry.is_regular_file(error)) continue;
        const auto size = entry.file_size(error);
        total += size;
        if (++files <= 25) std::wprintf(L"  %10llu  %ls\n", static_cast<unsigned long long>(size), entry.path().c_str());
    }
    if (files > 25) std::wprintf(L"  ... %d files in all\n", files);
    std::wprintf(L"  %d files, %.1f MiB\n", files, total / 1048576.0);

    std::wprintf(L"starting it again: the uninstall page\n");
    driver::Installer second(argv[1], L"");
    if (!second.wait_window()) return fail(L"no window on the second start");
    std::wprintf(L"uninstall page: \"%ls\"\n", second.text(uninstall, L"path").c_str());
    shot(L"uninstall-page");
    second.click(uninstall, L"exit");
    second.wait_exit(code, std::chrono::seconds(10));
    return 0;
}
