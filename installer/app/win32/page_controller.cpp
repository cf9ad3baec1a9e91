#include "installer/app/page_controller.h"

#include <windows.h>

#include "installer/base/config/string_ids.h"
#include "installer/system/launcher.h"
#include "installer/ui/control_names.h"

PageController::PageController(WindowFactory make_window, PageBuilder build_page, InstallFn install)
    : make_window_(std::move(make_window)), build_page_(std::move(build_page)), install_procedure_(std::move(install)) {}

PageController::~PageController() {
    join_worker();
    worker_.reset();
    window_.reset();
}

void PageController::join_worker() {
    if (worker_ && worker_->joinable()) worker_->join();
}

void PageController::show_page(const std::function<void()>& fill, const wchar_t* stage) {
    window_ = make_window_();
    {
        ui::PageDescription page;
        build_page_(page, *window_);
        window_->create(page, this);
        fill();
        window_->show_all(stage);
    }
    window_->run();
}

bool PageController::window_button(const std::wstring& name) {
    if (name == control_name::EXIT) {
        window_->close();
    } else if (name == control_name::MINIMIZE) {
        window_->minimize();
    } else {
        return false;
    }
    return true;
}

void PageController::start_worker(std::function<void(const WorkerContext&)> body, std::wstring launch_dir) {
    if (worker_) return;
    auto finish = [this, launch_dir = std::move(launch_dir)](const std::wstring& outcome) {
        window_->post([this, outcome, launch_dir] { complete(outcome, launch_dir); });
    };
    worker_ = std::make_unique<std::thread>(
        [this, body = std::move(body), finish = std::move(finish)] {
            body(WorkerContext{*window_, cancel_requested_, install_procedure_, finish});
        });
}

void PageController::complete(const std::wstring& outcome, const std::wstring& launch_dir) {
    if (outcome.empty()) {
        start_launcher(launch_dir);
    } else if (!cancel_requested_.load()) {
        window_->message_box(window_->load_string(IDS_INSTALL_ERROR) + outcome, MB_OK | MB_ICONERROR);
    }
    window_->close();
}
