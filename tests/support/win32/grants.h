#pragma once
// What the access list of a security descriptor grants, read back entry by entry.
#include <windows.h>
#include <sddl.h>

#include <map>
#include <string>

namespace test_support {

// By SID: what the object itself grants, and under "<SID> inside" what everything made
// inside it inherits; whether the list is protected. An entry of another kind, or one
// inherited from above, shows as "<other entry>".
struct Grants {
    bool is_protected = false;
    std::map<std::wstring, ACCESS_MASK> allowed;
};

inline Grants grants_of(PSECURITY_DESCRIPTOR descriptor) {
    Grants grants;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorControl(descriptor, &control, &revision) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !dacl)
        return grants;
    grants.is_protected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) break;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        wchar_t* sid = nullptr;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERITED_ACE) ||
            !ConvertSidToStringSidW(const_cast<DWORD*>(&ace->SidStart), &sid)) {
            grants.allowed[L"<other entry>"] = 0;
            continue;
        }
        const BYTE flags = ace->Header.AceFlags;
        if (!(flags & INHERIT_ONLY_ACE)) grants.allowed[sid] |= ace->Mask;
        if (flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) grants.allowed[std::wstring(sid) + L" inside"] |= ace->Mask;
        LocalFree(sid);
    }
    return grants;
}

}  // namespace test_support
