#include "installer/base/win32/redirection_trust.h"

#include <windows.h>

namespace base {
namespace {

// Its number in PROCESS_MITIGATION_POLICY and its flags' layout; the headers of this
// toolchain predate it.
constexpr int redirection_trust_policy = 16;
constexpr DWORD enforce_flag = 0x1;

}  // namespace

bool enforce_redirection_trust() noexcept {
    using SetPolicy = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    // Windows 8 and later only; looked up so that the program still starts on Windows 7.
    const auto set_policy = kernel ? reinterpret_cast<SetPolicy>(reinterpret_cast<void*>(
                                         GetProcAddress(kernel, "SetProcessMitigationPolicy")))
                                   : nullptr;
    DWORD flags = enforce_flag;
    return set_policy && set_policy(redirection_trust_policy, &flags, sizeof flags);
}

}  // namespace base
