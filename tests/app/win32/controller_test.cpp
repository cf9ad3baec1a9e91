#include "installer/app/controller.h"

#include <gtest/gtest.h>

#include "installer/app/dry_run.h"
#include "installer/app/install_location.h"
#include "installer/base/config/product.h"
#include "tests/app/win32/fake_ui.h"

namespace {

struct InstallPage : ::testing::Test {
    std::shared_ptr<FakeUI> ui = std::make_shared<FakeUI>();
    Controller controller{[this] { return ui; }, [](ui::PageDescription&, ui::AbstractUI&) {},
                          [](std::wstring, bool, ProgressFn&) { return std::wstring(L"not used"); }};

    void SetUp() override {
        dry_run = true;
        controller.run();
    }
    void TearDown() override { dry_run = false; }
    // A path whose drive cannot be measured keeps available_gb as set here.
    void unmeasurable_space(int gb) {
        ui->text[L"path"] = L"\\\\server\\share\\Velkarion";
        controller.set_available_gb(gb);
    }
};

TEST_F(InstallPage, StartsWithDefaultPathDiskSpaceAndBothBoxesChecked) {
    EXPECT_EQ(ui->text[L"path"], default_install_root() + PRODUCT_NAME);
    EXPECT_EQ(controller.install_dir(), ui->text[L"path"]);
    const std::wstring label = ui->text[L"disk_size"];
    EXPECT_EQ(label.rfind(L"Required 5 Gb, available ", 0), 0u) << label;
    EXPECT_EQ(label.substr(label.size() - 3), L" Gb");
    EXPECT_EQ(std::to_wstring(controller.available_gb()), label.substr(25, label.size() - 28));
    EXPECT_TRUE(ui->checked[L"shortcut"]);
    EXPECT_TRUE(ui->checked[L"eula"]);
    EXPECT_TRUE(ui->shown_all);
    EXPECT_EQ(ui->callback, &controller);
}

TEST_F(InstallPage, EulaBoxShowsAndHidesInstallButton) {
    ui->checked[L"eula"] = false;
    controller.on_event(L"eula", 0);
    EXPECT_FALSE(ui->visible[L"install"]);
    ui->checked[L"eula"] = true;
    controller.on_event(L"eula", 0);
    EXPECT_TRUE(ui->visible[L"install"]);
}

TEST_F(InstallPage, PathChangeRefreshesOnlyOnEnChange) {
    ui->text[L"path"] = L"C:\\Other";
    controller.on_event(L"path", 0x100);
    EXPECT_NE(controller.install_dir(), L"C:\\Other");
    controller.on_event(L"path", ui::NOTIFY_EDIT_CHANGE);
    EXPECT_EQ(controller.install_dir(), L"C:\\Other");
    // An unmeasurable path keeps the label and the last figure.
    const std::wstring label = ui->text[L"disk_size"];
    unmeasurable_space(42);
    controller.on_event(L"path", ui::NOTIFY_EDIT_CHANGE);
    EXPECT_EQ(ui->text[L"disk_size"], label);
    EXPECT_EQ(controller.available_gb(), 42);
}

TEST_F(InstallPage, BrowseAppendsProductNameOrLeavesPathOnCancel) {
    const std::wstring before = ui->text[L"path"];
    controller.on_event(L"browse", 0);
    EXPECT_EQ(ui->text[L"path"], before);
    ui->browse_result = L"C:\\users";
    controller.on_event(L"browse", 0);
    EXPECT_EQ(ui->text[L"path"], L"C:\\users\\" + PRODUCT_NAME);
    ui->browse_result = L"C:\\";
    controller.on_event(L"browse", 0);
    EXPECT_EQ(ui->text[L"path"], L"C:\\" + PRODUCT_NAME);
}

TEST_F(InstallPage, LowSpaceDeclinedChangesNothing) {
    unmeasurable_space(4);
    ui->answer = 7;  // IDNO
    const size_t visibility_changes = ui->hidden_order.size();
    controller.on_event(L"install", 0);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0], L"Not enough disk space.\r\nProceed with the installation?");
    EXPECT_EQ(ui->message_types[0], 0x34);
    EXPECT_FALSE(controller.has_worker());
    EXPECT_TRUE(controller.can_close());
    EXPECT_EQ(ui->hidden_order.size(), visibility_changes);
    EXPECT_EQ(ui->text.count(L"path_1"), 0u);
}

TEST_F(InstallPage, DryRunInstallPostsTwentyOneStepsThenReportsAndCloses) {
    unmeasurable_space(4);  // asked, answered yes
    controller.on_event(L"install", 0);
    ASSERT_TRUE(controller.has_worker());
    const std::vector<std::wstring> hidden{L"install", L"path", L"disk_size", L"browse"};
    EXPECT_EQ(std::vector<std::wstring>(ui->hidden_order.end() - 4, ui->hidden_order.end()), hidden);
    EXPECT_EQ(ui->text[L"path_1"], L"Downloading launcher");
    EXPECT_EQ(controller.install_dir(), L"\\\\server\\share\\Velkarion");

    const std::thread::id first = controller.worker_id();
    controller.on_event(L"install", 0);  // pressed again: ignored
    EXPECT_EQ(controller.worker_id(), first);

    ASSERT_TRUE(ui->pump_until_closed());
    ASSERT_EQ(ui->progress.size(), 21u);
    for (size_t i = 0; i < ui->progress.size(); ++i) EXPECT_DOUBLE_EQ(ui->progress[i], i * 5 / 100.0);
    ASSERT_EQ(ui->messages.size(), 2u);  // the low-space question, then the outcome
    EXPECT_EQ(ui->messages[1], L"Install error:\r\n\r\ndry run");
    EXPECT_EQ(ui->message_types[1], 0x10);
}

TEST_F(InstallPage, CloseRequestWhileInstallingCancelsQuietly) {
    EXPECT_TRUE(controller.can_close());
    controller.set_available_gb(1000);
    ui->text[L"path"] = L"\\\\server\\share";
    controller.on_event(L"install", 0);
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_FALSE(controller.can_close());
    EXPECT_TRUE(controller.cancel_requested());
    ASSERT_TRUE(ui->pump_until_closed());
    EXPECT_LT(ui->progress.size(), 3u);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(InstallPage, ExitAndMinimize) {
    controller.on_event(L"minimize", 0);
    EXPECT_TRUE(ui->minimized);
    controller.on_event(L"Exit", 0);
    EXPECT_FALSE(ui->closed);
    controller.on_event(L"exit", 0);
    EXPECT_TRUE(ui->closed);
}

}  // namespace
