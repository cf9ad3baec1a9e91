#pragma once
// Move-only owners of the Win32 and COM resources used by system integration.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace sys {

// A kernel handle (file, process, thread); INVALID_HANDLE_VALUE and null mean "none".
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ && h_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE h = nullptr) noexcept {
        if (*this) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// A directory listing started by FindFirstFileW.
class FindHandle {
public:
    explicit FindHandle(HANDLE h) noexcept : h_(h) {}
    FindHandle(FindHandle&& other) noexcept : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
    FindHandle& operator=(FindHandle&&) = delete;
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }

    HANDLE get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

// An open registry key.
class RegKey {
public:
    RegKey() noexcept = default;
    explicit RegKey(HKEY key) noexcept : key_(key) {}
    RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            close();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { close(); }

    HKEY get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }

private:
    void close() noexcept {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }
    HKEY key_ = nullptr;
};

// A COM interface pointer; releases its reference.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            release();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { release(); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For functions that hand out a new reference; drops the current one first.
    void** out() noexcept {
        release();
        return reinterpret_cast<void**>(&p_);
    }

private:
    void release() noexcept {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* p_ = nullptr;
};

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
