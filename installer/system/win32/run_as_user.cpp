#include "installer/system/run_as_user.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "installer/system/win32/handles.h"

namespace {

bool token_elevated() {
    base::UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) return false;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    // Before Vista there is no such class: no elevation either.
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

VARIANT number(LONG value) {
    VARIANT variant;
    VariantInit(&variant);
    V_VT(&variant) = VT_I4;
    V_I4(&variant) = value;
    return variant;
}

// Borrows the string: its owner frees it, so the VARIANT itself owns nothing to clear.
// An empty string stays VT_EMPTY ("none" rather than "the empty folder").
VARIANT borrowed_text(const sys::Bstr& text) {
    VARIANT variant;
    VariantInit(&variant);
    if (text && SysStringLen(text.get()) > 0) {
        V_VT(&variant) = VT_BSTR;
        V_BSTR(&variant) = text.get();
    }
    return variant;
}

template <class T>
bool got(HRESULT result, const base::ComPtr<T>& object) {
    return SUCCEEDED(result) && object;
}

// The automation object of the desktop's own folder view: it lives in the shell's process,
// so what its ShellExecute starts is the shell's child with the shell's token.
base::ComPtr<IShellDispatch2> desktop_shell() {
    base::ComPtr<IShellWindows> windows;
    if (!got(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.out()),
             windows))
        return {};
    VARIANT location = number(CSIDL_DESKTOP);
    VARIANT root;
    VariantInit(&root);
    LONG window = 0;
    base::ComPtr<IDispatch> desktop;
    // S_FALSE: no desktop window is registered (no shell runs in this session).
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.receive()) != S_OK ||
        !desktop)
        return {};
    base::ComPtr<IServiceProvider> services;
    if (!got(desktop->QueryInterface(IID_IServiceProvider, services.out()), services)) return {};
    base::ComPtr<IShellBrowser> browser;
    if (!got(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.out()), browser)) return {};
    base::ComPtr<IShellView> view;
    if (!got(browser->QueryActiveShellView(view.receive()), view)) return {};
    base::ComPtr<IDispatch> background;
    if (!got(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.out()), background)) return {};
    base::ComPtr<IShellFolderViewDual> folder_view;
    if (!got(background->QueryInterface(IID_IShellFolderViewDual, folder_view.out()), folder_view)) return {};
    base::ComPtr<IDispatch> application;
    if (!got(folder_view->get_Application(application.receive()), application)) return {};
    base::ComPtr<IShellDispatch2> shell;
    if (!got(application->QueryInterface(IID_IShellDispatch2, shell.out()), shell)) return {};
    return shell;
}

// S_OK: the shell opened it; S_FALSE: the shell had the request and could not; a failure:
// the shell was not reached.
HRESULT open_in_desktop_shell(const std::wstring& file, const std::wstring& directory) {
    const sys::ComApartment apartment(COINIT_APARTMENTTHREADED);
    // A thread of the multithreaded apartment calls the shell from there.
    if (!apartment.entered() && apartment.result() != RPC_E_CHANGED_MODE) return apartment.result();
    const base::ComPtr<IShellDispatch2> shell = desktop_shell();
    if (!shell) return E_NOINTERFACE;
    const sys::Bstr name(SysAllocString(file.c_str()));
    const sys::Bstr folder(SysAllocString(directory.c_str()));
    const sys::Bstr verb(SysAllocString(L"open"));
    if (!name || !folder || !verb) return E_OUTOFMEMORY;
    VARIANT no_arguments;
    VariantInit(&no_arguments);
    return shell->ShellExecute(name.get(), no_arguments, borrowed_text(folder), borrowed_text(verb),
                               number(SW_SHOWNORMAL));
}

}  // namespace

StartRoute start_as_desktop_user(const std::wstring& file, const std::wstring& directory,
                                 const std::function<bool()>& start_directly, Elevation elevation) {
    const bool elevated =
        elevation == Elevation::of_this_process ? token_elevated() : elevation == Elevation::elevated;
    if (elevated) {
        const HRESULT result = open_in_desktop_shell(file, directory);
        if (result == S_OK) return StartRoute::desktop_shell;
        // Starting it here after the shell could not would only hand it this process's token.
        if (result == S_FALSE) return StartRoute::none;
    }
    return start_directly && start_directly() ? StartRoute::direct : StartRoute::none;
}
