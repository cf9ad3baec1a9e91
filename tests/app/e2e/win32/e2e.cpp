#include "tests/app/e2e/win32/e2e.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "installer/base/config/product.h"
#include "installer/base/win32/scoped.h"
#include "tests/support/win32/shell_link.h"

namespace fs = std::filesystem;

const std::wstring EndToEnd::DEFAULT_DIR = L"C:\\Games\\Velkarion";

namespace {

std::wstring wide_env(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::wstring();
    const std::string text(value);
    return std::wstring(text.begin(), text.end());  // paths of the build are ASCII
}

std::wstring unix_to_wine(const std::wstring& path) {
    std::wstring converted = L"Z:" + path;
    for (auto& c : converted)
        if (c == L'/') c = L'\\';
    return converted;
}

std::string safe_name(std::string name) {
    for (auto& c : name)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    return name;
}

std::wstring failure_folder(const std::wstring& work) { return work + L"\\failed"; }

std::wstring failure_base_of_current_test(const std::wstring& work) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = safe_name(std::string(info->test_suite_name()) + "." + info->name());
    return failure_folder(work) + L"\\" + std::wstring(name.begin(), name.end());
}

bool launcher_running() {
    const base::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (lstrcmpiW(entry.szExeFile, L"Launcher.exe") == 0) return true;
    return false;
}

// Keeps the screen as it is at a test's first failure. By TearDown the test body has
// returned and ended its installer, and a shot then shows an empty screen.
class FirstFailureScreenshot : public ::testing::EmptyTestEventListener {
public:
    void arm(const std::wstring& work) {
        work_ = work;
        taken_ = false;
    }
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (!result.failed() || taken_) return;
        taken_ = true;
        CreateDirectoryW(failure_folder(work_).c_str(), nullptr);
        driver::save_screenshot(failure_base_of_current_test(work_) + L".bmp");
    }

private:
    std::wstring work_;
    bool taken_ = true;
};

FirstFailureScreenshot& first_failure_screenshot() {
    // The listener list owns what it is given, for the whole run.
    static FirstFailureScreenshot* const listener = [] {
        auto* made = new FirstFailureScreenshot;
        ::testing::UnitTest::GetInstance()->listeners().Append(made);
        return made;
    }();
    return *listener;
}

}  // namespace

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

long long file_size(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring desktop_link_path() {
    wchar_t desktop[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE)) return std::wstring();
    return std::wstring(desktop) + L"\\" + DESKTOP_SHORTCUT_NAME;
}

std::wstring free_space_label(const std::wstring& root) {
    ULARGE_INTEGER free_bytes = {};
    GetDiskFreeSpaceExW(root.c_str(), nullptr, nullptr, &free_bytes);
    return L"Required 5 Gb, available " + std::to_wstring(static_cast<int>(free_bytes.QuadPart >> 30)) + L" Gb";
}

void EndToEnd::SetUp() {
    CoInitialize(nullptr);
    exe_ = unix_to_wine(wide_env("VELK_E2E_EXE"));
    work_ = unix_to_wine(wide_env("VELK_E2E_WORK"));
    ASSERT_FALSE(exe_.size() <= 2 || work_.size() <= 2) << "VELK_E2E_EXE and VELK_E2E_WORK must be set";
    first_failure_screenshot().arm(work_);
    ASSERT_FALSE(install_page_.controls.empty());
    forget_installs();
    serve("ok");
}

void EndToEnd::TearDown() {
    if (HasFailure()) {
        const std::wstring base = failure_base_of_current_test(work_);
        CreateDirectoryW(failure_folder(work_).c_str(), nullptr);
        std::ofstream out((base + L".log").c_str());
        for (const auto& line : log_) out << line << "\n";
        std::printf("screenshot at the first failure and step log kept in %s.{bmp,log}\n", narrow(base).c_str());
    }
    forget_installs();
    CoUninitialize();
}

void EndToEnd::step(const std::string& what) {
    log_.push_back(what);
    std::printf("  - %s\n", what.c_str());
    std::fflush(stdout);
}

std::unique_ptr<driver::Installer> EndToEnd::start(const std::wstring& arguments) {
    step("start the installer " + narrow(arguments));
    auto installer = std::make_unique<driver::Installer>(exe_, arguments);
    EXPECT_NE(installer->wait_window(), nullptr) << "no window";
    return installer;
}

void EndToEnd::expect_clean_exit(driver::Installer& installer, std::chrono::milliseconds timeout) {
    step("wait for the process to end");
    DWORD code = 1;
    ASSERT_TRUE(installer.wait_exit(code, timeout)) << "still running";
    EXPECT_EQ(code, 0u);
}

std::wstring EndToEnd::answer_dialog(driver::Installer& installer, const std::wstring& button,
                                     std::chrono::milliseconds timeout) {
    step("wait for a message box, answer " + narrow(button));
    HWND dialog = installer.wait_dialog(timeout);
    if (!dialog) {
        ADD_FAILURE() << "no message box";
        return std::wstring();
    }
    const std::wstring text = driver::dialog_text(dialog);
    step("message: " + narrow(text));
    EXPECT_TRUE(driver::click_dialog_button(dialog, button)) << "no button " << narrow(button);
    driver::wait_for([dialog] { return !IsWindow(dialog); }, std::chrono::seconds(5));
    return text;
}

void EndToEnd::wait_for_launchers_to_close() {
    EXPECT_TRUE(driver::wait_for([] { return !launcher_running(); }, std::chrono::seconds(60), std::chrono::milliseconds(200)))
        << "a launcher still runs";
}

void EndToEnd::forget_installs() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str());
    // A launcher started by the last case holds its exe, and its window could cover the next
    // installer's, until it closes itself.
    wait_for_launchers_to_close();
    driver::wait_for(
        [] {
            std::error_code ignored;
            fs::remove_all(fs::path(L"C:\\Games"), ignored);
            fs::remove_all(fs::path(L"C:\\Other Games"), ignored);
            return !exists(L"C:\\Games") && !exists(L"C:\\Other Games");
        },
        std::chrono::seconds(10), std::chrono::milliseconds(200));
    std::error_code ignored;
    const std::wstring link = desktop_link_path();
    if (!link.empty()) DeleteFileW(link.c_str());
    if (exists(L"T:\\")) fs::remove_all(fs::path(L"T:\\Velkarion"), ignored);
}

void EndToEnd::serve(const std::string& mode) {
    std::ofstream((work_ + L"\\serve\\mode").c_str()) << mode << "\n";
}

int EndToEnd::requests() const {
    std::ifstream in((work_ + L"\\serve\\requests.log").c_str());
    int count = 0;
    for (std::string line; std::getline(in, line);) ++count;
    return count;
}

long long EndToEnd::package_size() const { return file_size(work_ + L"\\serve\\Launcher-Setup.zip"); }

void EndToEnd::record_location(const std::wstring& location) {
    test_support::create_uninstall_key(L"InstallLocation", location);
}

std::string EndToEnd::launcher_record(const std::wstring& dir) const {
    std::ifstream in((dir + L"\\launcher\\launcher-started.txt").c_str());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string record_value(const std::string& record, const std::string& name) {
    const std::string key = name + ": ";
    std::istringstream lines(record);
    for (std::string line; std::getline(lines, line);)
        if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
    return std::string();
}

void EndToEnd::expect_started_by_the_shell(const std::string& record) {
    step("check that the desktop shell started it");
    // Wine gives every process a full administrator token, so only the parent tells the
    // routes apart here; on Windows with UAC the shell's child would report "limited".
    EXPECT_EQ(record_value(record, "parent"), "explorer.exe") << record;
    EXPECT_EQ(record_value(record, "elevation type"), "full") << record;
}

namespace {

const wchar_t HTTPS_COMMAND_KEY[] = L"Software\\Classes\\https\\shell\\open\\command";
const REGSAM BOTH_VIEWS[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

std::wstring read_default_value(REGSAM view) {
    base::RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, HTTPS_COMMAND_KEY, 0, KEY_QUERY_VALUE | view, key.receive()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return value;
}

bool write_default_value(REGSAM view, const std::wstring& command) {
    base::RegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, HTTPS_COMMAND_KEY, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                        key.receive(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

HttpsHandler::HttpsHandler(const std::wstring& work) : folder_(work + L"\\url-handler") {
    const std::wstring built = unix_to_wine(wide_env("VELK_BINARY_DIR")) + L"\\tools\\sample-launcher\\url_handler.exe";
    CreateDirectoryW(folder_.c_str(), nullptr);
    DeleteFileW(record_path().c_str());
    const std::wstring handler = folder_ + L"\\url_handler.exe";
    if (!CopyFileW(built.c_str(), handler.c_str(), FALSE)) return;
    // The 64-bit explorer.exe of this prefix reads the 64-bit view, the 32-bit installer's
    // own ShellExecuteW the 32-bit one: the record's parent says which route ran.
    registered_ = true;
    for (int view = 0; view < 2; ++view) {
        saved_commands_[view] = read_default_value(BOTH_VIEWS[view]);
        registered_ = write_default_value(BOTH_VIEWS[view], L"\"" + handler + L"\" \"%1\"") && registered_;
    }
}

HttpsHandler::~HttpsHandler() {
    for (int view = 0; view < 2; ++view)
        if (!saved_commands_[view].empty()) write_default_value(BOTH_VIEWS[view], saved_commands_[view]);
}

std::string HttpsHandler::wait_for_record(std::chrono::milliseconds timeout) {
    std::string text;
    driver::wait_for(
        [&] {
            std::ifstream in(record_path().c_str());
            std::stringstream read;
            read << in.rdbuf();
            text = read.str();
            return !record_value(text, "elevation type").empty();
        },
        timeout, std::chrono::milliseconds(200));
    DeleteFileW(record_path().c_str());
    return text;
}

void EndToEnd::expect_installed(const std::wstring& dir, bool desktop_shortcut) {
    step("check the files, the registry entry and the shortcuts below " + narrow(dir));
    std::ifstream list((work_ + L"\\expected.txt").c_str());
    int files = 0;
    for (std::string line; std::getline(list, line);) {
        const auto tab = line.find('\t');
        // Names are UTF-8; MultiByteToWideChar keeps the non-ASCII one intact.
        const std::string name = line.substr(0, tab);
        std::wstring wide(name.size(), L'\0');
        wide.resize(static_cast<size_t>(
            MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), &wide[0], static_cast<int>(wide.size()))));
        EXPECT_EQ(file_size(dir + L"\\" + wide), std::stoll(line.substr(tab + 1))) << name;
        ++files;
    }
    EXPECT_GT(files, 3);
    EXPECT_GT(file_size(dir + L"\\uninstall.exe"), 0);
    EXPECT_EQ(uninstall_value(L"InstallLocation"), dir + L"\\");
    EXPECT_EQ(uninstall_value(L"DisplayName"), DISPLAY_NAME);
    EXPECT_EQ(uninstall_value(L"DisplayIcon"), dir + L"\\launcher\\Launcher.exe,0");
    EXPECT_NE(uninstall_value(L"UninstallString").find(dir + L"\\uninstall.exe"), std::wstring::npos);
    EXPECT_EQ(uninstall_value(L"Publisher"), PUBLISHER);
    EXPECT_EQ(uninstall_value(L"URLInfoAbout"), HOME_URL);
    // The entry is written in the process's own view: a 32-bit installer on 64-bit Windows
    // (this test program is built like it) writes the 32-bit view only.
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const bool in_32_bit_view = sizeof(void*) == 4;
    if (wow64 || !in_32_bit_view) {
        EXPECT_EQ(uninstall_key_exists(KEY_WOW64_32KEY), in_32_bit_view) << "32-bit view";
        EXPECT_EQ(uninstall_key_exists(KEY_WOW64_64KEY), !in_32_bit_view) << "64-bit view";
    }
    const std::wstring launcher = dir + L"\\launcher\\Launcher.exe";
    EXPECT_EQ(test_support::read_shell_link(dir + L"\\Launcher.lnk").target, launcher);
    if (desktop_shortcut)
        EXPECT_EQ(test_support::read_shell_link(desktop_link_path()).target, launcher);
    else
        EXPECT_FALSE(exists(desktop_link_path()));
}
