#include "installer/system/shortcuts.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "installer/base/config/product.h"
#include "installer/base/paths.h"
#include "installer/system/win32/handles.h"

void create_shortcut(const std::wstring& install_dir, const std::wstring& link_path) {
    const sys::ComApartment apartment(COINIT_APARTMENTTHREADED);
    if (!apartment.entered()) return;
    base::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.out())) ||
        !link)
        return;
    const std::wstring target = join_path(install_dir, LAUNCHER_PATH);
    link->SetPath(target.c_str());
    link->SetDescription(L"");
    link->SetWorkingDirectory(install_dir.c_str());
    base::ComPtr<IPersistFile> file;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.out())) && file)
        file->Save(link_path.c_str(), TRUE);
    // file, link and then the apartment are released in reverse order of construction.
}

std::wstring desktop_shortcut_path() {
    wchar_t folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_DESKTOPDIRECTORY, FALSE) || folder[0] == 0)
        return std::wstring();
    return join_path(folder, DESKTOP_SHORTCUT_NAME);
}
