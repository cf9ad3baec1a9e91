// The install page of the real exe, driven with mouse and keyboard input.
#include "tests/app/e2e/win32/e2e.h"

#include "installer/base/config/product.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST_F(EndToEnd, FirstStartShowsTheDefaultDirectoryAndFreeSpace) {
    auto installer = start();
    ASSERT_TRUE(installer->main_window());
    wchar_t title[128] = {};
    GetWindowTextW(installer->main_window(), title, 128);
    EXPECT_EQ(std::wstring(title), L"Velkarion Launcher installation");
    EXPECT_EQ(installer->text(install_page_, L"path"), DEFAULT_DIR);
    EXPECT_EQ(installer->text(install_page_, L"disk_size"), free_space_label(L"C:\\"));
    EXPECT_TRUE(installer->visible(install_page_, L"install"));
    EXPECT_FALSE(installer->visible(install_page_, L"progress") && !installer->visible(install_page_, L"path"));
    step("click exit");
    ASSERT_TRUE(installer->click(install_page_, L"exit"));
    expect_clean_exit(*installer, seconds(10));
}

TEST_F(EndToEnd, InstallWritesEverythingStartsTheLauncherAndCloses) {
    auto installer = start();
    step("click install");
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    expect_clean_exit(*installer);
    expect_installed(DEFAULT_DIR, true);
    step("wait for the launcher's record of its start");
    std::string record;
    EXPECT_TRUE(driver::wait_for([&] { return !(record = launcher_record(DEFAULT_DIR)).empty(); }, seconds(15)));
    EXPECT_NE(record.find("current directory: C:\\Games\\Velkarion\n"), std::string::npos) << record;
    expect_started_by_the_shell(record);
}

// The connection reset halfway through the package: the rest is asked for with a range,
// and the install goes on as if nothing had happened.
TEST_F(EndToEnd, AConnectionResetHalfwayIsContinuedAndEveryFileIsRight) {
    serve("reset-once 0.5 " + std::to_string(GetTickCount()));
    const int before = requests();
    auto installer = start();
    step("click install");
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    expect_clean_exit(*installer);
    expect_installed(DEFAULT_DIR, true);
    EXPECT_EQ(requests(), before + 2) << "the whole package, then its rest";
    std::string record;
    EXPECT_TRUE(driver::wait_for([&] { return !(record = launcher_record(DEFAULT_DIR)).empty(); }, seconds(15)));
}

TEST_F(EndToEnd, InstallWithoutDesktopShortcutIntoATypedDirectoryWithSpaces) {
    auto installer = start();
    step("uncheck the desktop shortcut, type another directory");
    ASSERT_TRUE(installer->click(install_page_, L"shortcut"));
    const std::wstring dir = L"C:\\Other Games\\Velkarion";
    ASSERT_TRUE(installer->type_into(install_page_, L"path", dir));
    EXPECT_EQ(installer->text(install_page_, L"path"), dir);
    step("click install");
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    expect_clean_exit(*installer);
    expect_installed(dir, false);
    std::string record;
    EXPECT_TRUE(driver::wait_for([&] { return !(record = launcher_record(dir)).empty(); }, seconds(15)));
    EXPECT_NE(record.find("current directory: C:\\Other Games\\Velkarion\n"), std::string::npos) << record;
    EXPECT_NE(record.find("command line: \"C:\\Other Games\\Velkarion\\launcher\\Launcher.exe\"\n"), std::string::npos)
        << record;
    expect_started_by_the_shell(record);
}

TEST_F(EndToEnd, NotFoundReportsTheStatusAndInstallsNothing) {
    serve("status 404");
    auto installer = start();
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    EXPECT_EQ(answer_dialog(*installer, L"OK"), L"Install error:\r\n\r\nHTTP error: 404");
    expect_clean_exit(*installer, seconds(10));
    EXPECT_FALSE(uninstall_key_exists());
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\uninstall.exe"));
}

TEST_F(EndToEnd, DryRunSimulatesAndDownloadsNothing) {
    auto installer = start(L"--dry-run");
    const int before = requests();
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    EXPECT_FALSE(installer->visible(install_page_, L"install"));
    EXPECT_FALSE(installer->visible(install_page_, L"path"));
    EXPECT_TRUE(installer->visible(install_page_, L"progress"));
    EXPECT_EQ(answer_dialog(*installer, L"OK", seconds(20)), L"Install error:\r\n\r\ndry run");
    expect_clean_exit(*installer, seconds(10));
    EXPECT_EQ(requests(), before);
    EXPECT_FALSE(uninstall_key_exists());
    EXPECT_FALSE(exists(DEFAULT_DIR));
}

TEST_F(EndToEnd, AltF4ClosesWhenIdleAndCancelsASlowDownloadQuietly) {
    {
        auto idle = start();
        step("Alt+F4 on the idle page");
        idle->press_alt_f4();
        expect_clean_exit(*idle, seconds(10));
    }
    serve("slow " + std::to_string(package_size() / 30));  // half a minute unless cancelled
    auto installer = start();
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    Sleep(1500);
    step("Alt+F4 during the download");
    installer->press_alt_f4();
    expect_clean_exit(*installer, seconds(15));
    EXPECT_FALSE(uninstall_key_exists());
    EXPECT_TRUE(launcher_record(DEFAULT_DIR).empty());
}

// Without a length the download shows no progress, and a close request must still end it.
TEST_F(EndToEnd, AltF4StopsADownloadWithoutLengthQuietly) {
    serve("trickle " + std::to_string(package_size() / 60));  // a minute unless stopped
    auto installer = start();
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    Sleep(1500);
    step("Alt+F4 during the download without length");
    installer->press_alt_f4();
    expect_clean_exit(*installer, seconds(15));
    EXPECT_FALSE(uninstall_key_exists());
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\uninstall.exe"));
}

TEST_F(EndToEnd, ExitDuringAnInstallClosesAtOnceAndTheInstallCompletesUnseen) {
    serve("slow " + std::to_string(package_size() / 8));  // about 8 s: still running when the window is gone
    auto installer = start();
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    Sleep(800);
    step("click exit during the download");
    ASSERT_TRUE(installer->click(install_page_, L"exit"));
    HWND window = installer->main_window();
    EXPECT_TRUE(driver::wait_for([window] { return !IsWindow(window); }, seconds(3)));
    EXPECT_TRUE(installer->running()) << "ended before the install completed";
    expect_clean_exit(*installer);
    expect_installed(DEFAULT_DIR, true);
    Sleep(2000);
    EXPECT_TRUE(launcher_record(DEFAULT_DIR).empty()) << "the launcher was started";
}

TEST_F(EndToEnd, RulesBoxLinksFolderPickerAndTypedPaths) {
    HttpsHandler browser(work_);
    ASSERT_TRUE(browser.registered());
    auto installer = start();
    step("uncheck and check the rules box");
    ASSERT_TRUE(installer->click(install_page_, L"eula"));
    EXPECT_FALSE(installer->visible(install_page_, L"install"));
    ASSERT_TRUE(installer->click(install_page_, L"eula"));
    EXPECT_TRUE(installer->visible(install_page_, L"install"));

    // Each link's page opens in the browser the desktop shell starts.
    const std::pair<const wchar_t*, std::wstring> links[] = {{L"eula_link", EULA_URL}, {L"logo", HOME_URL}};
    for (const auto& link : links) {
        step("click " + narrow(link.first));
        ASSERT_TRUE(installer->click(install_page_, link.first));
        const std::string record = browser.wait_for_record(seconds(15));
        EXPECT_NE(record.find("command line: \"" + narrow(browser.handler()) + "\" \"" + narrow(link.second) + "\"\n"),
                  std::string::npos)
            << record;
        expect_started_by_the_shell(record);
    }

    step("open the folder picker and cancel it");
    ASSERT_TRUE(installer->click(install_page_, L"browse"));
    HWND picker = installer->wait_dialog(seconds(10));
    ASSERT_TRUE(picker);
    EXPECT_TRUE(driver::click_dialog_button(picker, L"Cancel"));
    EXPECT_TRUE(driver::wait_for([picker] { return !IsWindow(picker); }, seconds(5)));
    EXPECT_EQ(installer->text(install_page_, L"path"), DEFAULT_DIR);

    step("type a path on drive Z:");
    ASSERT_TRUE(installer->type_into(install_page_, L"path", L"Z:\\tmp\\Velkarion"));
    EXPECT_EQ(installer->text(install_page_, L"disk_size"), free_space_label(L"Z:\\"));
    step("a UNC path keeps the label");
    ASSERT_TRUE(installer->type_into(install_page_, L"path", L"\\\\server\\share"));
    EXPECT_EQ(installer->text(install_page_, L"disk_size"), free_space_label(L"Z:\\"));
    ASSERT_TRUE(installer->click(install_page_, L"exit"));
    expect_clean_exit(*installer, seconds(10));
}

TEST_F(EndToEnd, LowSpaceDriveAsksFirstAndNoKeepsThePage) {
    if (!exists(L"T:\\")) GTEST_SKIP() << "no small drive T: (tmpfs could not be mounted)";
    auto installer = start();
    const std::wstring dir = L"T:\\Velkarion";
    ASSERT_TRUE(installer->type_into(install_page_, L"path", dir));
    EXPECT_EQ(installer->text(install_page_, L"disk_size"), L"Required 5 Gb, available 0 Gb");
    const int before = requests();
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    EXPECT_EQ(answer_dialog(*installer, L"No"), L"Not enough disk space.\r\nProceed with the installation?");
    EXPECT_TRUE(installer->visible(install_page_, L"install"));
    EXPECT_TRUE(installer->visible(install_page_, L"path"));
    EXPECT_EQ(requests(), before);
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    answer_dialog(*installer, L"Yes");
    expect_clean_exit(*installer);
    expect_installed(dir, true);
}

}  // namespace

namespace {

// The drive fills while files are written: the write error is shown, what was written
// stays, and nothing is registered.
TEST_F(EndToEnd, DriveFilledDuringWritingReportsTheWriteErrorAndKeepsWhatWasWritten) {
    if (!exists(L"U:\\")) GTEST_SKIP() << "no tiny drive U: (tmpfs could not be mounted)";
    auto installer = start();
    const std::wstring dir = L"U:\\Velkarion";
    ASSERT_TRUE(installer->type_into(install_page_, L"path", dir));
    ASSERT_TRUE(installer->click(install_page_, L"install"));
    answer_dialog(*installer, L"Yes");
    const std::wstring text = answer_dialog(*installer, L"OK");
    EXPECT_EQ(text.substr(0, 22), L"Install error:\r\n\r\nfw: ");
    EXPECT_NE(text.find(L":system:112"), std::wstring::npos) << testing::PrintToString(text);
    expect_clean_exit(*installer, seconds(10));
    // The launcher is the entry that cannot fit; its partly written file is kept.
    EXPECT_TRUE(exists(dir + L"\\launcher\\Launcher.exe"));
    EXPECT_FALSE(uninstall_key_exists());
    EXPECT_FALSE(exists(dir + L"\\uninstall.exe"));
}

}  // namespace
