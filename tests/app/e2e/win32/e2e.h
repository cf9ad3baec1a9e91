#pragma once
// What the end-to-end tests share: the machine's state as the installer leaves it (files,
// registry, shortcuts, the launcher's record of its start), the package server's mode,
// and the screenshot and step log kept for a failed test.
#include <windows.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/win32/uninstall_key.h"
#include "tools/installer-driver/driver.h"

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the test exe; fails the test unless its window appears.
    std::unique_ptr<driver::Installer> start(const std::wstring& arguments = std::wstring());
    // Waits for the end of the process and expects exit code 0.
    void expect_clean_exit(driver::Installer& installer, std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The message box of the process: its text, then a click on the button.
    std::wstring answer_dialog(driver::Installer& installer, const std::wstring& button,
                               std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Removes every trace of an install at dir (default C:\Games\Velkarion).
    void forget_installs();
    // Waits until no sample launcher runs (each closes itself after a while).
    void wait_for_launchers_to_close();
    // "ok", "slow <bytes per second>" or "status <code>" for the next requests.
    void serve(const std::string& mode);
    int requests() const;
    long long package_size() const;
    void record_location(const std::wstring& location);

    void step(const std::string& what);
    void expect_installed(const std::wstring& dir, bool desktop_shortcut);
    // The launcher's record of its start in dir, empty until it ran.
    std::string launcher_record(const std::wstring& dir) const;
    // A start record (tools/sample-launcher/start_record.h) of a program the desktop shell
    // started: explorer.exe as parent, not the installer.
    void expect_started_by_the_shell(const std::string& record);

    static const std::wstring DEFAULT_DIR;  // C:\Games\Velkarion
    std::wstring exe_;
    std::wstring work_;  // the fixture's folder, as a Wine path
    ui::PageDescription install_page_ = driver::install_page();
    ui::PageDescription uninstall_page_ = driver::uninstall_page();

private:
    std::vector<std::string> log_;
};

bool exists(const std::wstring& path);
long long file_size(const std::wstring& path);
using test_support::uninstall_key_exists;
using test_support::uninstall_value;
std::wstring desktop_link_path();
std::wstring free_space_label(const std::wstring& root);
std::string narrow(const std::wstring& text);
// The value of one line of a start record ("name: value"), empty when there is none.
std::string record_value(const std::string& record, const std::string& name);

// The URL handler fixture registered for https URLs in the test prefix, both registry
// views, while the object lives; each URL it opens leaves its record in record_path().
class HttpsHandler {
public:
    explicit HttpsHandler(const std::wstring& work);
    ~HttpsHandler();
    HttpsHandler(const HttpsHandler&) = delete;
    HttpsHandler& operator=(const HttpsHandler&) = delete;
    bool registered() const { return registered_; }
    std::wstring handler() const { return folder_ + L"\\url_handler.exe"; }
    std::wstring record_path() const { return folder_ + L"\\url-opened.txt"; }
    // The record of the next URL opened, empty when none arrives within the timeout.
    std::string wait_for_record(std::chrono::milliseconds timeout);

private:
    std::wstring folder_;
    std::wstring saved_commands_[2];  // 64-bit view, 32-bit view
    bool registered_ = false;
};
