#pragma once
// One owner for every kind of Win32 resource: a move-only holder that releases what it
// holds through its traits (what "none" looks like, how to release) on every path,
// exceptions included. The traits below cover kernel handles, directory searches,
// registry keys, LocalAlloc'ed and COM task memory, GDI objects, modules and COM
// interfaces; other layers add their own (WinHTTP handles, GDI+ objects) next to the
// functions they call.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace base {

template <class Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;

    Scoped() noexcept = default;
    explicit Scoped(Handle handle) noexcept : handle_(handle) {}
    Scoped(Scoped&& other) noexcept : handle_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    ~Scoped() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::is_valid(handle_); }
    // Gives up ownership without releasing.
    Handle release() noexcept { return std::exchange(handle_, Traits::none()); }
    void reset(Handle handle = Traits::none()) noexcept {
        if (Traits::is_valid(handle_)) Traits::close(handle_);
        handle_ = handle;
    }
    // For calls that hand out a new resource through a pointer: the current one is
    // released first.
    Handle* receive() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::none();
};

// Traits whose "none" is the null value of T.
template <class T>
struct NullIsNone {
    using Handle = T;
    static constexpr T none() noexcept { return nullptr; }
    static bool is_valid(T handle) noexcept { return handle != nullptr; }
};

// Files, processes, threads: both null and INVALID_HANDLE_VALUE mean none.
struct KernelHandleTraits : NullIsNone<HANDLE> {
    static bool is_valid(HANDLE handle) noexcept { return handle && handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) noexcept { CloseHandle(handle); }
};

// A directory listing started by FindFirstFileW.
struct FindTraits {
    using Handle = HANDLE;
    static HANDLE none() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(HANDLE handle) noexcept { return handle != INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) noexcept { FindClose(handle); }
};

struct RegKeyTraits : NullIsNone<HKEY> {
    static void close(HKEY key) noexcept { RegCloseKey(key); }
};

// Memory the system allocated with LocalAlloc for the caller (argument vectors,
// security descriptors, SID strings).
template <class T>
struct LocalMemoryTraits : NullIsNone<T> {
    static void close(T memory) noexcept { LocalFree(reinterpret_cast<HLOCAL>(memory)); }
};

// Memory COM's task allocator handed out (item lists of the shell, for one).
template <class T>
struct CoTaskMemoryTraits : NullIsNone<T> {
    static void close(T memory) noexcept { CoTaskMemFree(memory); }
};

// Fonts, brushes and the other objects DeleteObject releases.
template <class T>
struct GdiObjectTraits : NullIsNone<T> {
    static void close(T object) noexcept { DeleteObject(object); }
};

struct ModuleTraits : NullIsNone<HMODULE> {
    static void close(HMODULE module) noexcept { FreeLibrary(module); }
};

template <class T>
struct ComTraits : NullIsNone<T*> {
    static void close(T* object) noexcept { object->Release(); }
};

using UniqueHandle = Scoped<KernelHandleTraits>;
using FindHandle = Scoped<FindTraits>;
using RegKey = Scoped<RegKeyTraits>;
template <class T>
using LocalMemory = Scoped<LocalMemoryTraits<T>>;
template <class T>
using CoTaskMemory = Scoped<CoTaskMemoryTraits<T>>;
template <class T>
using GdiObject = Scoped<GdiObjectTraits<T>>;
using Module = Scoped<ModuleTraits>;

// A COM interface pointer: one reference, released with the owner.
template <class T>
class ComPtr : public Scoped<ComTraits<T>> {
public:
    using Scoped<ComTraits<T>>::Scoped;
    T* operator->() const noexcept { return this->get(); }
    // For QueryInterface, CoCreateInstance and the like.
    void** out() noexcept { return reinterpret_cast<void**>(this->receive()); }
};

}  // namespace base
