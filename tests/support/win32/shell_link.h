#pragma once
// A shell link read back through the shell's own IShellLinkW, as Explorer would read it.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "installer/base/win32/scoped.h"
#include "installer/system/win32/handles.h"

namespace test_support {

struct ShellLink {
    bool loaded = false;
    std::wstring target, working_dir, description;
};

inline ShellLink read_shell_link(const std::wstring& path) {
    ShellLink out;
    const sys::ComApartment apartment(COINIT_APARTMENTTHREADED);
    base::ComPtr<IShellLinkW> link;
    base::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.out())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return out;
    out.loaded = true;
    wchar_t text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    out.target = text;
    text[0] = 0;
    link->GetWorkingDirectory(text, MAX_PATH);
    out.working_dir = text;
    // Not left empty beforehand, so that an empty description is really read back.
    text[0] = L'x';
    text[1] = 0;
    link->GetDescription(text, MAX_PATH);
    out.description = text;
    return out;
}

}  // namespace test_support
