#include "installer/system/win32/file_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// "P": protected, nothing inherited. FA: full access; 0x1200a9: read and execute.
constexpr wchar_t ADMINISTRATORS_ONLY[] = L"O:BAD:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)";

}  // namespace

SecurityDescriptor administrators_only_descriptor() {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(ADMINISTRATORS_ONLY, SDDL_REVISION_1, &raw, nullptr))
        return SecurityDescriptor();
    return SecurityDescriptor(raw);
}

bool restrict_to_administrators(const std::wstring& path) {
    const SecurityDescriptor descriptor = administrators_only_descriptor();
    if (!descriptor) return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) || !present || !dacl) return false;
    if (!GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted)) return false;
    std::wstring name = path;  // the call takes a non-const string
    if (SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, dacl, nullptr) != ERROR_SUCCESS)
        return false;
    // The owner may change the list again; an elevated administrator can make the
    // Administrators group the owner. Where that is refused the list still holds.
    SetNamedSecurityInfoW(&name[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
    return true;
}
