#include "installer/system/shortcuts.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <thread>

#include "installer/system/win32/handles.h"
#include "tests/system/win32/temp_folder.h"

namespace {

struct Link {
    bool loaded = false;
    std::wstring target, working_dir, description;
};

Link load(const std::wstring& path) {
    Link out;
    const sys::ComApartment apartment(COINIT_APARTMENTTHREADED);
    base::ComPtr<IShellLinkW> link;
    base::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.out())) ||
        FAILED(file->Load(path.c_str(), STGM_READ)))
        return out;
    out.loaded = true;
    wchar_t text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    out.target = text;
    text[0] = 0;
    link->GetWorkingDirectory(text, MAX_PATH);
    out.working_dir = text;
    text[0] = L'x';
    text[1] = 0;
    link->GetDescription(text, MAX_PATH);
    out.description = text;
    return out;
}

}  // namespace

TEST(Shortcuts, TargetWorkingDirAndEmptyDescriptionReadBack) {
    TempFolder dir(L"short cut");
    const std::wstring link_path = dir.path() + L"\\Launcher.lnk";
    create_shortcut(dir.path(), link_path);
    Link link = load(link_path);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(dir.path() + L"\\launcher\\Launcher.exe", link.target);
    EXPECT_EQ(dir.path(), link.working_dir);
    EXPECT_EQ(L"", link.description);
    // A second install overwrites it.
    create_shortcut(dir.path() + L"\\other", link_path);
    EXPECT_EQ(dir.path() + L"\\other", load(link_path).working_dir);
}

TEST(Shortcuts, ThreadInMultithreadedApartmentGetsNone) {
    TempFolder dir(L"mta");
    const std::wstring link_path = dir.path() + L"\\Launcher.lnk";
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        create_shortcut(dir.path(), link_path);
        CoUninitialize();
    }).join();
    EXPECT_FALSE(exists(link_path));
}

TEST(Shortcuts, DesktopPathEndsInShortcutName) {
    const std::wstring path = desktop_shortcut_path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(L"\\Desktop\\Velkarion.lnk", path.substr(path.size() - 22));
}
