#pragma once
// Move-only owner of one WinHTTP handle.
#include "installer/net/win32/winhttp_api.h"

class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    InternetHandle(InternetHandle&& other) noexcept : handle_(other.release()) {}
    InternetHandle& operator=(InternetHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() { reset(); }

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    HINTERNET release() {
        HINTERNET handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void reset(HINTERNET handle = nullptr) {
        if (handle_) winhttp_api().close_handle(handle_);
        handle_ = handle;
    }

private:
    HINTERNET handle_ = nullptr;
};
