// Move-only owners of the system handles the commands open.
#pragma once

#include <windows.h>

#include <utility>

namespace vx::commands {

template <class Handle, class Traits>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(Handle h) : h_(h) {}
    UniqueOwner(UniqueOwner&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
    UniqueOwner& operator=(UniqueOwner&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Traits::Invalid()));
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    ~UniqueOwner() { reset(); }

    Handle get() const { return h_; }
    Handle* out() { reset(); return &h_; }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    void reset(Handle h = Traits::Invalid()) {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_ = Traits::Invalid();
};

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct HookTraits {
    static HHOOK Invalid() { return nullptr; }
    static void Close(HHOOK h) { UnhookWindowsHookEx(h); }
};

using KernelHandle = UniqueOwner<HANDLE, KernelHandleTraits>;
using FileHandle = UniqueOwner<HANDLE, FileHandleTraits>;
using FindHandle = UniqueOwner<HANDLE, FindHandleTraits>;
using RegKey = UniqueOwner<HKEY, RegKeyTraits>;
using HookHandle = UniqueOwner<HHOOK, HookTraits>;

}  // namespace vx::commands
