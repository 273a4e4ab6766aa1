#pragma once
// Backend-internal (Win32): the owner of one kernel handle, closed once when the owner goes.
//
// windows.h stays out of headers (it turns names such as CreateProcess into macros), so the
// handle is kept as the void* a HANDLE is, and CloseHandle is declared here exactly as the
// system header declares it (kernel32, WINAPI, BOOL = int); the two declarations agree, so a
// file may include this header before or after windows.h.

#include <cstdint>
#include <utility>

extern "C" __declspec(dllimport) int __stdcall CloseHandle(void* object);

class Win32Handle {
  public:
    Win32Handle() = default;
    // Takes `handle` over. Null and INVALID_HANDLE_VALUE both mean "none": the system
    // reports failure with one or the other depending on the call.
    explicit Win32Handle(void* handle) : _handle(handle) {}
    ~Win32Handle() { Reset(); }

    Win32Handle(Win32Handle&& other) noexcept : _handle(other.Release()) {}
    Win32Handle& operator=(Win32Handle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;

    void* Get() const { return _handle; }
    bool Valid() const { return _handle != nullptr && _handle != InvalidValue(); }
    explicit operator bool() const { return Valid(); }

    // Gives the handle up without closing it.
    void* Release() { return std::exchange(_handle, nullptr); }

    // Closes the handle held, if any, and takes `handle` over.
    void Reset(void* handle = nullptr) {
        void* old = std::exchange(_handle, handle);
        if (old != nullptr && old != InvalidValue()) CloseHandle(old);
    }

  private:
    // INVALID_HANDLE_VALUE, spelled without windows.h.
    static void* InvalidValue() { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }

    void* _handle = nullptr;
};
