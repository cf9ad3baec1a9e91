// The real exe never loads a DLL planted beside itself or in its current folder: canary
// copies named after every DLL the process or its system DLLs may look for stay unloaded
// through a whole install and an uninstall. Wine is told to prefer a DLL file found on
// the search path over its built-in one for these names, as Windows does, and a probe
// program without the protection shows that it then loads the planted copy.
#include "tests/app/e2e/win32/e2e.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using std::chrono::seconds;

// The DLLs that are no KnownDLLs and that the installer or the system DLLs it uses ask for
// during an install and an uninstall (from a +loaddll trace of both under Wine), and the
// ones that Windows itself is known to look for beside a program.
const wchar_t* const PLANTED[] = {
    L"gdiplus.dll",  L"winhttp.dll",  L"comctl32.dll", L"uxtheme.dll",  L"version.dll",   L"dwmapi.dll",
    L"cryptbase.dll", L"userenv.dll", L"secur32.dll",  L"sspicli.dll",  L"dnsapi.dll",    L"iphlpapi.dll",
    L"winnsi.dll",   L"mswsock.dll",  L"bcrypt.dll",   L"crypt32.dll",  L"wintrust.dll",  L"netapi32.dll",
    L"propsys.dll",  L"profapi.dll",  L"windowscodecs.dll", L"msimg32.dll", L"imm32.dll", L"winmm.dll",
    L"dbghelp.dll",  L"apphelp.dll",  L"textinputframework.dll", L"edputil.dll", L"ntmarta.dll",
};

std::wstring wide_env(const char* name) {
    const char* value = std::getenv(name);
    std::wstring wide;
    for (const char* c = value ? value : ""; *c; ++c) wide += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return wide;
}

std::wstring file_name(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

class DllPlanting : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        const std::wstring build = L"Z:" + wide_env("VELK_BINARY_DIR");
        canary_ = build + L"\\tools\\dll-canary\\canary.dll";
        probe_ = build + L"\\tools\\dll-canary\\dll_probe.exe";
        ASSERT_TRUE(exists(canary_) && exists(probe_)) << "canary not built";
        beside_ = work_ + L"\\planted";
        current_ = work_ + L"\\planted-current";
        for (const std::wstring& folder : {beside_, current_}) {
            CreateDirectoryW(folder.c_str(), nullptr);
            for (const wchar_t* name : PLANTED) {
                const std::wstring copy = folder + L"\\" + name;
                DeleteFileW((copy + L".loaded").c_str());
                ASSERT_TRUE(CopyFileW(canary_.c_str(), copy.c_str(), FALSE)) << narrow(copy);
            }
        }
        exe_copy_ = beside_ + L"\\" + file_name(exe_);
        ASSERT_TRUE(CopyFileW(exe_.c_str(), exe_copy_.c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(probe_.c_str(), (beside_ + L"\\dll_probe.exe").c_str(), FALSE));

        // Children inherit both: the override and the current folder.
        wchar_t overrides[4096] = {};
        GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 4096);
        saved_overrides_ = overrides;
        std::wstring native_first = saved_overrides_;
        for (const wchar_t* name : PLANTED) {
            std::wstring base(name);
            native_first += (native_first.empty() ? L"" : L";") + base.substr(0, base.size() - 4) + L"=n,b";
        }
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", native_first.c_str());
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        saved_current_ = current;
        SetCurrentDirectoryW(current_.c_str());
    }
    void TearDown() override {
        SetCurrentDirectoryW(saved_current_.c_str());
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", saved_overrides_.empty() ? nullptr : saved_overrides_.c_str());
        EndToEnd::TearDown();
    }

    // The canaries that were loaded, as "folder\name" lines.
    std::vector<std::string> loaded() const {
        std::vector<std::string> found;
        for (const std::wstring& folder : {beside_, current_})
            for (const wchar_t* name : PLANTED)
                if (exists(folder + L"\\" + name + L".loaded")) found.push_back(narrow(folder + L"\\" + name));
        return found;
    }
    void forget_loads() const {
        for (const std::wstring& folder : {beside_, current_})
            for (const wchar_t* name : PLANTED) DeleteFileW((folder + L"\\" + name + L".loaded").c_str());
    }

    // Runs the probe from the planted folder; whether it loaded the planted name.
    bool probe_loads_planted(const std::wstring& name) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        const std::wstring program = beside_ + L"\\dll_probe.exe";
        std::wstring command = L"\"" + program + L"\" " + name;
        if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return false;
        WaitForSingleObject(info.hProcess, 60000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        return exists(beside_ + L"\\" + name + L".loaded");
    }

    std::wstring canary_, probe_, beside_, current_, exe_copy_;
    std::wstring saved_overrides_, saved_current_;
};

TEST_F(DllPlanting, NoPlantedCopyLoadsDuringAnInstallAndAnUninstall) {
    step("control: a program without the protection loads the planted copies");
    EXPECT_TRUE(probe_loads_planted(L"winhttp.dll"));
    EXPECT_TRUE(probe_loads_planted(L"version.dll"));
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
