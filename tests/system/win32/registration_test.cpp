#include "installer/system/registration.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <map>

#include "installer/base/config/product.h"
#include "installer/system/win32/file_security.h"
#include "tests/support/win32/grants.h"
#include "tests/support/win32/temp_folder.h"
#include "tests/support/win32/uninstall_key.h"

namespace {

void expect_entry(const std::wstring& dir) {
    const auto values = test_support::uninstall_key_values();
    ASSERT_EQ(6u, values.size());
    EXPECT_EQ(test_support::expected_uninstall_values(dir), values);
}

}  // namespace

TEST(Registration, SixValuesWithOneTrailingBackslash) {
    unregister_uninstall();
    register_uninstall(L"C:\\Games\\Velkarion");
    expect_entry(L"C:\\Games\\Velkarion\\");
    register_uninstall(L"C:\\Games\\Velkarion\\");
    expect_entry(L"C:\\Games\\Velkarion\\");
    register_uninstall(L"C:\\My Games\\Velkarion");
    expect_entry(L"C:\\My Games\\Velkarion\\");
    unregister_uninstall();
    EXPECT_TRUE(test_support::uninstall_key_values().empty());
    unregister_uninstall();  // a missing key is no error
}

TEST(Registration, CopySelfIsByteIdenticalAndOverwrites) {
    TempFolder dir(L"copy self");
    write_file(dir.path() + L"\\uninstall.exe", "old");
    copy_self(dir.path());
    auto read = [](const std::wstring& path) {
        std::string data;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) data.append(buffer, got);
        CloseHandle(h);
        return data;
    };
    const std::string own = read(own_module_path());
    ASSERT_GT(own.size(), 1000u);
    EXPECT_EQ(own, read(dir.path() + L"\\uninstall.exe"));
}

const std::map<std::wstring, ACCESS_MASK> ADMINISTRATORS_ONLY = {
    {L"S-1-5-32-544", FILE_ALL_ACCESS},                    // Administrators
    {L"S-1-5-18", FILE_ALL_ACCESS},                        // SYSTEM
    {L"S-1-5-32-545", FILE_GENERIC_READ | FILE_EXECUTE}};  // Users: read and run

using test_support::Grants;
using test_support::grants_of;

TEST(Registration, UninstallerDescriptorLetsOnlyAdministratorsAndSystemChangeIt) {
    const SecurityDescriptor descriptor = administrators_only_descriptor();
    ASSERT_TRUE(descriptor);
    const Grants grants = grants_of(descriptor.get());
    EXPECT_TRUE(grants.is_protected);
    EXPECT_EQ(ADMINISTRATORS_ONLY, grants.allowed);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted));
    wchar_t* sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(owner, &sid));
    EXPECT_EQ(std::wstring(L"S-1-5-32-544"), sid);
    LocalFree(sid);
}

// The copy is what an administrator later starts from the list of programs: read back,
// its access list is the one above. Wine accepts the list but does not keep it (it
// answers with one made from the Unix mode), so there the read-back cannot be checked.
TEST(Registration, CopySelfReadsBackWritableOnlyByAdministratorsAndSystem) {
    TempFolder dir(L"copy self acl");
    copy_self(dir.path());
    std::wstring path = dir.path() + L"\\uninstall.exe";
    ASSERT_TRUE(restrict_to_administrators(path));
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_EQ(DWORD(ERROR_SUCCESS), GetNamedSecurityInfoW(&path[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                          nullptr, nullptr, nullptr, &raw));
    const SecurityDescriptor descriptor(raw);
    const Grants grants = grants_of(raw);
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    if (wine && !grants.is_protected) GTEST_SKIP() << "this Wine does not keep file access lists";
    EXPECT_TRUE(grants.is_protected);
    EXPECT_EQ(ADMINISTRATORS_ONLY, grants.allowed);
}
