#include "installer/app/install_location.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "installer/base/config/product.h"
#include "tests/support/win32/uninstall_key.h"

namespace {

// Each case writes the value into Wine's registry of this test program's own prefix.
struct RecordedLocation : ::testing::Test {
    void TearDown() override { RegDeleteKeyW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str()); }
    void store(DWORD type, const void* data, DWORD bytes) {
        test_support::create_uninstall_key(L"InstallLocation", type, data, bytes);
    }
    void store_text(DWORD type, const std::wstring& text) {
        store(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
};

TEST_F(RecordedLocation, MissingKeyOrValueLeavesOutputUntouched) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str());
    std::wstring location = L"untouched";
    EXPECT_FALSE(read_install_location(location));
    store_text(REG_SZ, L"x");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY.c_str(), L"InstallLocation");
    EXPECT_FALSE(read_install_location(location));
    EXPECT_EQ(location, L"untouched");
}

TEST_F(RecordedLocation, OnlyStringValuesThatFitCount) {
    std::wstring location;
    store_text(REG_SZ, L"C:\\Games\\Velkarion\\");
    EXPECT_TRUE(read_install_location(location));
    EXPECT_EQ(location, L"C:\\Games\\Velkarion\\");

    store_text(REG_SZ, L"");
    location = L"x";
    EXPECT_TRUE(read_install_location(location));
    EXPECT_EQ(location, L"");

    store_text(REG_EXPAND_SZ, L"%ProgramFiles%\\Velkarion\\");
    EXPECT_FALSE(read_install_location(location));

    store_text(REG_SZ, std::wstring(1022, L'a'));
    EXPECT_TRUE(read_install_location(location));
    EXPECT_EQ(location.size(), 1022u);
    store_text(REG_SZ, std::wstring(1023, L'a'));
    EXPECT_FALSE(read_install_location(location));

}

}  // namespace
