#include "installer/package/win32/install_folder_security.h"

#include <sddl.h>

namespace file_writer {

// "P": protected. OICI: also for everything made inside; IO: only for that. 0x1200af:
// read, list and run, add files and folders; 0x1301bf: modify (no delete-child, no
// change of list or owner).
const wchar_t INSTALL_FOLDER_SDDL[] =
    L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;;0x1200af;;;BU)(A;OICIIO;0x1301bf;;;BU)";

base::LocalMemory<PSECURITY_DESCRIPTOR> install_folder_descriptor() {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(INSTALL_FOLDER_SDDL, SDDL_REVISION_1, &raw, nullptr))
        return base::LocalMemory<PSECURITY_DESCRIPTOR>();
    return base::LocalMemory<PSECURITY_DESCRIPTOR>(raw);
}

}  // namespace file_writer
