#pragma once
// The names of the pages' controls: the page builders give them, and the controllers,
// the workers and the test driver address the controls by them.
namespace control_name {
// Both pages.
constexpr wchar_t EXIT[] = L"exit";
constexpr wchar_t MINIMIZE[] = L"minimize";
constexpr wchar_t PATH[] = L"path";  // the install page's edit field, the uninstall page's label
constexpr wchar_t PROGRESS[] = L"progress";
// The install page.
constexpr wchar_t PATH_CAPTION[] = L"path_1";
constexpr wchar_t DISK_SIZE[] = L"disk_size";
constexpr wchar_t BROWSE[] = L"browse";
constexpr wchar_t SHORTCUT[] = L"shortcut";
constexpr wchar_t SHORTCUT_CAPTION[] = L"shortcut_l";
constexpr wchar_t EULA[] = L"eula";
constexpr wchar_t EULA_TEXT[] = L"eula_text";
constexpr wchar_t EULA_LINK[] = L"eula_link";
constexpr wchar_t INSTALL[] = L"install";
constexpr wchar_t LOGO[] = L"logo";
// The uninstall page.
constexpr wchar_t UNINSTALL[] = L"uninstall";
constexpr wchar_t REINSTALL[] = L"reinstall";
}  // namespace control_name
