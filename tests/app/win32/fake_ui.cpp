#include "tests/app/win32/fake_ui.h"

#include "installer/base/config/string_ids.h"

std::wstring FakeUI::load_string(int id) {
    switch (id) {
    case IDS_INSTALL_PATH: return L"Install path";
    case IDS_INSTALL_ERROR: return L"Install error:\r\n\r\n";
    case IDS_DISK_SPACE_FORMAT: return L"Required %d Gb, available %d Gb";
    case IDS_LOW_SPACE_QUESTION: return L"Not enough disk space.\r\nProceed with the installation?";
    case IDS_DOWNLOADING: return L"Downloading launcher";
    default: return std::wstring();
    }
}

void FakeUI::pump_once() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(tasks_);
    }
    for (auto& task : batch) task();
}

bool FakeUI::pump_until_closed(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!closed && std::chrono::steady_clock::now() < end) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_until(lock, std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)),
                             [this] { return !tasks_.empty(); });
        }
        pump_once();
    }
    return closed;
}
