// The uninstall page of the real exe after a real install.
#include "tests/app/e2e/win32/e2e.h"

namespace {

using std::chrono::seconds;

class AfterInstall : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        auto installer = start();
        ASSERT_TRUE(installer->click(install_page_, L"install"));
        expect_clean_exit(*installer);
        ASSERT_TRUE(uninstall_key_exists());
        driver::wait_for([this] { return !launcher_record(DEFAULT_DIR).empty(); }, seconds(15));
        wait_for_launchers_to_close();
        DeleteFileW((DEFAULT_DIR + L"\\launcher\\launcher-started.txt").c_str());
    }
};

TEST_F(AfterInstall, SecondStartUninstallsAndTheThirdOffersAnInstall) {
    auto installer = start();
    EXPECT_EQ(installer->text(uninstall_page_, L"path"), DEFAULT_DIR + L"\\");
    EXPECT_FALSE(installer->control(install_page_, L"path"));  // no edit: the uninstall page
    step("click uninstall");
    ASSERT_TRUE(installer->click(uninstall_page_, L"uninstall"));
    expect_clean_exit(*installer, seconds(30));
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\launcher"));
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\apps.ini"));
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\Launcher.lnk"));
    EXPECT_FALSE(exists(desktop_link_path()));
    EXPECT_FALSE(uninstall_key_exists());
    EXPECT_TRUE(exists(DEFAULT_DIR + L"\\uninstall.exe"));  // not run from the removed folder

    auto third = start();
    EXPECT_EQ(third->text(install_page_, L"path"), DEFAULT_DIR);
    ASSERT_TRUE(third->click(install_page_, L"exit"));
    expect_clean_exit(*third, seconds(10));
}

TEST_F(AfterInstall, ReinstallRestoresFilesAndStartsTheLauncher) {
    const std::wstring removed = DEFAULT_DIR + L"\\launcher\\data\\levels.dat";
    ASSERT_TRUE(DeleteFileW(removed.c_str()));
    auto installer = start();
    step("click reinstall");
    ASSERT_TRUE(installer->click(uninstall_page_, L"reinstall"));
    EXPECT_FALSE(installer->visible(uninstall_page_, L"uninstall"));
    expect_clean_exit(*installer);
    expect_installed(DEFAULT_DIR, true);
    std::string record;
    EXPECT_TRUE(driver::wait_for([&] { return !(record = launcher_record(DEFAULT_DIR)).empty(); }, seconds(15)));
    EXPECT_NE(record.find("current directory: C:\\Games\\Velkarion"), std::string::npos) << record;
    // Started on the reinstall path's closing step, through the shell as after an install.
    expect_started_by_the_shell(record);
}

TEST_F(AfterInstall, DryRunUninstallKeepsTheLauncherFolderAndTheEntry) {
    auto installer = start(L"--dry-run");
    ASSERT_TRUE(installer->click(uninstall_page_, L"uninstall"));
    expect_clean_exit(*installer, seconds(30));
    EXPECT_TRUE(exists(DEFAULT_DIR + L"\\launcher\\Launcher.exe"));
    EXPECT_TRUE(uninstall_key_exists());
    EXPECT_TRUE(exists(desktop_link_path()));
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\apps.ini"));
    EXPECT_FALSE(exists(DEFAULT_DIR + L"\\Launcher.lnk"));
}

TEST_F(EndToEnd, InstallOptionOverridesARecordedLocation) {
    record_location(L"C:\\Games\\Velkarion\\");
    auto forced = start(L"--install");
    EXPECT_EQ(forced->text(install_page_, L"path"), DEFAULT_DIR);
    ASSERT_TRUE(forced->click(install_page_, L"exit"));
    expect_clean_exit(*forced, seconds(10));

    auto uninstall = start(L"--Install");  // not the option: the uninstall page
    EXPECT_FALSE(uninstall->control(install_page_, L"path"));
    EXPECT_EQ(uninstall->text(uninstall_page_, L"path"), L"C:\\Games\\Velkarion\\");
    step("Alt+F4 on the idle uninstall page");
    uninstall->press_alt_f4();
    expect_clean_exit(*uninstall, seconds(10));
}

}  // namespace
