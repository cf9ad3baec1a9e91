#include "installer/app/controller.h"

#include <windows.h>
#include <shellapi.h>

#include "installer/app/install_location.h"
#include "installer/app/install_worker.h"
#include "installer/base/config/product.h"
#include "installer/base/config/string_ids.h"
#include "installer/system/run_as_user.h"
#include "installer/ui/control_names.h"

Controller::Controller(WindowFactory make_window, PageBuilder build_page, InstallFn install)
    : PageController(std::move(make_window), std::move(build_page), std::move(install)) {}

void Controller::run() {
    install_dir_ = default_install_root();
    show_page(
        [this] {
            compose_install_path();
            window().set_checked(control_name::SHORTCUT, true);
            window().set_checked(control_name::EULA, true);
            window().set_visible(control_name::PROGRESS, false);
        },
        L"page-init");
}

// The browser gets the desktop user's rights, not the installer's.
static void open_url(const std::wstring& url) {
    start_as_desktop_user(url, std::wstring(), [&url] {
        return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW)) > 32;
    });
}

void Controller::on_event(const std::wstring& name, int code) {
    if (window_button(name)) return;
    if (name == control_name::BROWSE) {
        const std::wstring title = window().load_string(IDS_INSTALL_PATH);
        if (window().browse_folder(title, install_dir_)) compose_install_path();
    } else if (name == control_name::EULA) {
        window().set_visible(control_name::INSTALL, window().is_checked(control_name::EULA));
    } else if (name == control_name::EULA_LINK) {
        open_url(EULA_URL);
    } else if (name == control_name::LOGO) {
        open_url(HOME_URL);
    } else if (name == control_name::PATH) {
        if (code == ui::NOTIFY_EDIT_CHANGE) refresh_disk_space();
    } else if (name == control_name::INSTALL) {
        start_install();
    }
}

void Controller::start_install() {
    // The install button can be shown again while installing; one worker per controller.
    if (has_worker()) return;
    refresh_disk_space();
    if (available_gb_ < REQUIRED_GB &&
        window().message_box(window().load_string(IDS_LOW_SPACE_QUESTION), MB_YESNO | MB_ICONWARNING) == IDNO)
        return;
    for (const wchar_t* name : {control_name::INSTALL, control_name::PATH, control_name::DISK_SIZE, control_name::BROWSE})
        window().set_visible(name, false);
    window().set_text(control_name::PATH_CAPTION, window().load_string(IDS_DOWNLOADING));
    const bool shortcut = window().is_checked(control_name::SHORTCUT);
    start_worker([dir = install_dir_, shortcut](const WorkerContext& context) { install_worker(context, dir, shortcut); },
                 install_dir_);
}

bool Controller::can_close() {
    if (!has_worker()) return true;
    request_cancel();
    return false;
}
