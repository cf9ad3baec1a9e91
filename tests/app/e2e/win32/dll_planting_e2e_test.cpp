// The real exe never loads a DLL planted beside itself or in its current folder: canary
// copies named after every DLL the process or its system DLLs may look for (the list and
// the Wine load order that makes planting possible come from the test's CMake file) stay
// unloaded through a whole install and an uninstall. A probe program without the
// protection shows that the planted copies would be loaded.
#include "tests/app/e2e/win32/e2e.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using std::chrono::seconds;

std::wstring wide_env(const char* name) {
    const char* value = std::getenv(name);
    std::wstring wide;
    for (const char* c = value ? value : ""; *c; ++c) wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
}

std::wstring file_name(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// "gdiplus,winhttp,..." as file names.
std::vector<std::wstring> planted_names() {
    std::vector<std::wstring> names;
    std::wstring list = wide_env("VELK_PLANTED_DLLS") + L",";
    for (std::size_t at = 0, comma; (comma = list.find(L',', at)) != std::wstring::npos; at = comma + 1)
        if (comma > at) names.push_back(list.substr(at, comma - at) + L".dll");
    return names;
}

class DllPlanting : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        const std::wstring build = L"Z:" + wide_env("VELK_BINARY_DIR");
        canary_ = build + L"\\tools\\dll-canary\\canary.dll";
        probe_ = build + L"\\tools\\dll-canary\\dll_probe.exe";
        ASSERT_TRUE(exists(canary_) && exists(probe_)) << "canary not built";
        names_ = planted_names();
        ASSERT_GT(names_.size(), 8u) << "VELK_PLANTED_DLLS not set";
        beside_ = work_ + L"\\planted";
        current_ = work_ + L"\\planted-current";
        for (const std::wstring& folder : {beside_, current_}) {
            CreateDirectoryW(folder.c_str(), nullptr);
            for (const std::wstring& name : names_) {
                const std::wstring copy = folder + L"\\" + name;
                DeleteFileW((copy + L".loaded").c_str());
                ASSERT_TRUE(CopyFileW(canary_.c_str(), copy.c_str(), FALSE)) << narrow(copy);
            }
        }
        exe_copy_ = beside_ + L"\\" + file_name(exe_);
        ASSERT_TRUE(CopyFileW(exe_.c_str(), exe_copy_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(probe_.c_str(), (beside_ + L"\\dll_probe.exe").c_str(), FALSE));

        // The installer inherits the current folder.
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        saved_current_ = current;
        SetCurrentDirectoryW(current_.c_str());
    }
    void TearDown() override {
        SetCurrentDirectoryW(saved_current_.c_str());
        EndToEnd::TearDown();
    }

    // The canaries that were loaded, as "folder\name" lines.
    std::vector<std::string> loaded() const {
        std::vector<std::string> found;
        for (const std::wstring& folder : {beside_, current_})
            for (const std::wstring& name : names_)
                if (exists(folder + L"\\" + name + L".loaded")) found.push_back(narrow(folder + L"\\" + name));
        return found;
    }
    void forget_loads() const {
        for (const std::wstring& folder : {beside_, current_})
            for (const std::wstring& name : names_) DeleteFileW((folder + L"\\" + name + L".loaded").c_str());
    }

    // Runs the probe from the planted folder; whether it loaded the planted name.
    bool probe_loads_planted(const std::wstring& name) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        const std::wstring program = beside_ + L"\\dll_probe.exe";
        std::wstring command = L"\"" + program + L"\" " + name;
        if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            step("the probe did not start: error " + std::to_string(GetLastError()));
            return false;
        }
        WaitForSingleObject(info.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        step("probe for " + narrow(name) + " exited with " + std::to_string(code));
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return exists(beside_ + L"\\" + name + L".loaded");
    }

    std::wstring canary_, probe_, beside_, current_, exe_copy_, saved_current_;
    std::vector<std::wstring> names_;
};

TEST_F(DllPlanting, NoPlantedCopyLoadsDuringAnInstallAndAnUninstall) {
    step("control: a program without the protection loads the planted copies");
    EXPECT_TRUE(probe_loads_planted(L"winhttp.dll"));
    EXPECT_TRUE(probe_loads_planted(L"gdiplus.dll"));
    forget_loads();

    auto installer = std::make_unique<driver::Installer>(exe_copy_, std::wstring());
    step("install from the planted folder");
    ASSERT_NE(installer->wait_window(), nullptr) << "no window";
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    expect_clean_exit(*installer);
    expect_installed(DEFAULT_DIR, true);
    EXPECT_TRUE(driver::wait_for([this] { return !launcher_record(DEFAULT_DIR).empty(); }, seconds(15)));
    installer.reset();

    step("uninstall from the planted folder");
    auto uninstaller = std::make_unique<driver::Installer>(exe_copy_, std::wstring());
    ASSERT_NE(uninstaller->wait_window(), nullptr) << "no window";
    ASSERT_TRUE(uninstaller->click(uninstall_page_, L"uninstall"));
    expect_clean_exit(*uninstaller, seconds(30));
    EXPECT_FALSE(uninstall_key_exists());

    std::string found;
    for (const std::string& path : loaded()) found += "\n  " + path;
    EXPECT_TRUE(found.empty()) << "planted DLLs loaded:" << found;
}

}  // namespace
