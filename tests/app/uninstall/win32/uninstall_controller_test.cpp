#include "installer/app/uninstall/uninstall_controller.h"

#include <windows.h>

#include <atomic>
#include <fstream>

#include <gtest/gtest.h>

#include "installer/app/dry_run.h"
#include "installer/app/uninstall/uninstall_workers.h"
#include "installer/base/config/product.h"
#include "tests/app/win32/fake_ui.h"
#include "tests/support/win32/uninstall_key.h"

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void touch(const std::wstring& path) { std::ofstream(path.c_str()) << "x"; }

std::wstring temp_folder(const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

struct UninstallPage : ::testing::Test {
    std::shared_ptr<FakeUI> ui = std::make_shared<FakeUI>();
    std::wstring procedure_dir;
    bool procedure_shortcut = false;
    std::wstring procedure_outcome = L"HTTP error: 404";
    std::atomic<int> ended{0};
    UninstallController controller{[this] { return ui; }, [](ui::PageDescription&, ui::AbstractUI&) {},
                                    [this](std::wstring dir, bool shortcut, ProgressFn& progress) {
                                        procedure_dir = dir;
                                        procedure_shortcut = shortcut;
                                        progress(50);
                                        return procedure_outcome;
                                    },
                                    [this] { ++ended; }};

    void start(const std::wstring& location) {
        controller.run(location);
        ui->visible[L"exit"] = ui->visible[L"minimize"] = true;
    }
    void join() {
        ASSERT_TRUE(controller.has_worker());
        controller.join_worker();
    }
    void TearDown() override { dry_run = false; }
};

TEST_F(UninstallPage, ShowsLocationAndHidesBothActionsOnceStarted) {
    start(L"C:\\Games\\Velkarion\\");
    EXPECT_EQ(ui->text[L"path"], L"C:\\Games\\Velkarion\\");
    EXPECT_TRUE(ui->shown_all);
    EXPECT_EQ(ui->callback, &controller);
    EXPECT_TRUE(controller.can_close());
    controller.on_event(L"Reinstall", 0);
    EXPECT_FALSE(controller.has_worker());

    controller.on_event(L"reinstall", 0);
    EXPECT_FALSE(ui->visible[L"reinstall"]);
    EXPECT_FALSE(ui->visible[L"uninstall"]);
    EXPECT_TRUE(ui->visible[L"exit"]);
    EXPECT_TRUE(ui->visible[L"minimize"]);
    EXPECT_FALSE(controller.can_close());
    const std::thread::id first = controller.worker_id();
    controller.on_event(L"uninstall", 0);  // sent by other means: still one worker
    EXPECT_EQ(controller.worker_id(), first);
    ASSERT_TRUE(ui->pump_until_closed());
    EXPECT_EQ(ended, 0);
}

TEST_F(UninstallPage, FailedReinstallReportsWithErrorIconThenCloses) {
    start(L"C:\\Games\\Velkarion\\");
    controller.on_event(L"reinstall", 0);
    ASSERT_TRUE(ui->pump_until_closed());
    EXPECT_EQ(procedure_dir, L"C:\\Games\\Velkarion\\");
    EXPECT_TRUE(procedure_shortcut);
    ASSERT_EQ(ui->progress.size(), 1u);
    EXPECT_DOUBLE_EQ(ui->progress[0], 0.5);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], L"Install error:\r\n\r\nHTTP error: 404");
    EXPECT_EQ(ui->message_types[0], 0x10);
}

TEST_F(UninstallPage, SucceededReinstallClosesWithoutAMessage) {
    procedure_outcome.clear();
    start(temp_folder(L"reinstalled\\"));
    controller.on_event(L"reinstall", 0);
    ASSERT_TRUE(ui->pump_until_closed());
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(UninstallPage, DryRunReinstallShowsFiftyOneStepsAndTheDryRunMessage) {
    dry_run = true;
    start(L"C:\\Games\\Velkarion\\");
    controller.on_event(L"reinstall", 0);
    ASSERT_TRUE(ui->pump_until_closed());
    EXPECT_TRUE(procedure_dir.empty());
    ASSERT_EQ(ui->progress.size(), 51u);
    EXPECT_DOUBLE_EQ(ui->progress[49], 0.98);
    EXPECT_DOUBLE_EQ(ui->progress.back(), 1.0);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], L"Install error:\r\n\r\ndry run");
}

TEST_F(UninstallPage, UninstallRemovesLauncherFolderEntryAndTwoFilesThenEnds) {
    const std::wstring root = temp_folder(L"uninstalled\\");
    CreateDirectoryW((root + L"launcher").c_str(), nullptr);
    CreateDirectoryW((root + L"launcher\\data").c_str(), nullptr);
    for (const wchar_t* name : {L"launcher\\Launcher.exe", L"launcher\\data\\a.pak", L"apps.ini", L"Launcher.lnk",
                                L"uninstall.exe", L"saves.dat"})
        touch(root + name);
    test_support::create_uninstall_key();
    start(root);
    controller.on_event(L"uninstall", 0);
    join();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(exists(root + L"launcher"));
    EXPECT_FALSE(exists(root + L"apps.ini"));
    EXPECT_FALSE(exists(root + L"Launcher.lnk"));
    EXPECT_TRUE(exists(root + L"uninstall.exe"));
    EXPECT_TRUE(exists(root + L"saves.dat"));
    EXPECT_FALSE(test_support::uninstall_key_exists());
    ui->pump_once();
    ASSERT_EQ(ui->progress.size(), 2u);  // one per file
    EXPECT_DOUBLE_EQ(ui->progress[1] - ui->progress[0], 1 / 10000.0);
}

// A recorded location that is not an absolute path would name folders relative to the
// current directory; one without its backslash would name a sibling folder.
TEST_F(UninstallPage, UninstallNeverReachesOutsideTheRecordedLocation) {
    const std::wstring cwd = temp_folder(L"uninstall-cwd\\");
    CreateDirectoryW((cwd + L"launcher").c_str(), nullptr);
    touch(cwd + L"launcher\\keep.txt");
    touch(cwd + L"apps.ini");
    CreateDirectoryW((cwd + L"Xlauncher").c_str(), nullptr);
    touch(cwd + L"Xlauncher\\keep.txt");
    CreateDirectoryW((cwd + L"X").c_str(), nullptr);
    CreateDirectoryW((cwd + L"X\\launcher").c_str(), nullptr);
    touch(cwd + L"X\\launcher\\gone.txt");
    ASSERT_TRUE(SetCurrentDirectoryW(cwd.c_str()));

    test_support::create_uninstall_key();
    start(L"");
    controller.on_event(L"uninstall", 0);
    join();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(exists(cwd + L"launcher\\keep.txt"));
    EXPECT_TRUE(exists(cwd + L"apps.ini"));
    EXPECT_FALSE(test_support::uninstall_key_exists());  // the next start offers a fresh install

    UninstallController second{[this] { return ui; }, [](ui::PageDescription&, ui::AbstractUI&) {},
                               [](std::wstring, bool, ProgressFn&) { return std::wstring(); }, [this] { ++ended; }};
    second.run(cwd + L"X");
    second.on_event(L"uninstall", 0);
    second.join_worker();
    EXPECT_EQ(ended, 2);
    EXPECT_TRUE(exists(cwd + L"Xlauncher\\keep.txt"));
    EXPECT_FALSE(exists(cwd + L"X\\launcher"));
    SetCurrentDirectoryW(L"C:\\");
}

TEST(UninstallBase, AbsoluteLocationsGetOneBackslashOthersNone) {
    EXPECT_EQ(uninstall_base(L"C:\\Games\\Velkarion\\"), L"C:\\Games\\Velkarion\\");
    EXPECT_EQ(uninstall_base(L"C:\\Games\\Velkarion"), L"C:\\Games\\Velkarion\\");
    EXPECT_EQ(uninstall_base(L"\\\\server\\share"), L"\\\\server\\share\\");
    for (const wchar_t* unsafe : {L"", L"Games\\", L"C:Games", L"\\Games\\"}) EXPECT_EQ(uninstall_base(unsafe), L"");
}

}  // namespace
