#include "installer/app/controller.h"

#include <windows.h>
#include <shellapi.h>

#include "installer/app/install_location.h"
#include "installer/app/install_worker.h"
#include "installer/base/config/product.h"
#include "installer/base/config/string_ids.h"
#include "installer/system/launcher.h"
#include "installer/ui/control_names.h"

Controller::Controller(WindowFactory make_window, PageBuilder build_page, InstallFn install)
    : install_procedure(std::move(install)), make_window_(std::move(make_window)), build_page_(std::move(build_page)) {}

Controller::~Controller() {
    if (worker && worker->joinable()) worker->join();
    install_dir.clear();
    worker.reset();
    window.reset();
}

void Controller::run() {
    install_dir = default_install_root();
    window = make_window_();
    {
        ui::PageDescription page;
        build_page_(page, *window);
        window->create(page, this);
        compose_install_path();
        window->set_checked(control_name::SHORTCUT, true);
        window->set_checked(control_name::EULA, true);
        window->set_visible(control_name::PROGRESS, false);
        window->show_all(L"page-init");
    }
    window->run();
}

static void open_url(const std::wstring& url) {
    ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW);
}

void Controller::on_event(const std::wstring& name, int code) {
    if (name == control_name::BROWSE) {
        const std::wstring title = window->load_string(IDS_INSTALL_PATH);
        if (window->browse_folder(title, install_dir)) compose_install_path();
    } else if (name == control_name::EXIT) {
        window->close();
    } else if (name == control_name::MINIMIZE) {
        window->minimize();
    } else if (name == control_name::EULA) {
        window->set_visible(control_name::INSTALL, window->is_checked(control_name::EULA));
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
    if (worker) return;
    refresh_disk_space();
    if (available_gb < REQUIRED_GB &&
        window->message_box(window->load_string(IDS_LOW_SPACE_QUESTION), MB_YESNO | MB_ICONWARNING) == IDNO)
        return;
    for (const wchar_t* name : {control_name::INSTALL, control_name::PATH, control_name::DISK_SIZE, control_name::BROWSE})
        window->set_visible(name, false);
    window->set_text(control_name::PATH_CAPTION, window->load_string(IDS_DOWNLOADING));
    const bool shortcut = window->is_checked(control_name::SHORTCUT);
    worker = std::make_unique<std::thread>(install_worker, std::ref(*this), install_dir, shortcut);
}

bool Controller::can_close() {
    if (!worker) return true;
    cancel_requested.exchange(true);
    return false;
}

void Controller::finish(const std::wstring& outcome) {
    window->post([this, outcome] { complete(outcome); });
}

void Controller::complete(const std::wstring& outcome) {
    if (outcome.empty()) {
        start_launcher(install_dir);
    } else if (!cancel_requested.load()) {
        window->message_box(window->load_string(IDS_INSTALL_ERROR) + outcome, MB_OK | MB_ICONERROR);
    }
    window->close();
}
