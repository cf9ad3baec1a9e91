#pragma once
// The COM apartment of a thread and the owner of COM strings; the other resource owners
// are base's (scoped.h).
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "installer/base/win32/scoped.h"

namespace sys {

// The calling thread's membership in a COM apartment, left again when the scope ends.
class ComApartment {
public:
    explicit ComApartment(DWORD mode) noexcept : hr_(CoInitializeEx(nullptr, mode)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        // S_FALSE (already a member in this mode) must be balanced as well.
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    bool entered() const noexcept { return SUCCEEDED(hr_); }
    HRESULT result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

}  // namespace sys

namespace sys {

// A string of COM's own allocator (BSTR), as automation calls take and hand out.
struct BstrTraits : base::NullIsNone<BSTR> {
    static void close(BSTR text) noexcept { SysFreeString(text); }
};
using Bstr = base::Scoped<BstrTraits>;

}  // namespace sys
