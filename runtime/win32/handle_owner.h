// One move-only owner for every kind of system handle the programs hold
// (the runtime, the installer, Uninstall.exe and Kandor.exe). A kind is a
// traits struct: its handle type, its empty value, which values are real
// handles and how one is given back.
#pragma once

#include <windows.h>

#include <utility>

namespace vx {

template <class Traits>
class Owned {
public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    // Takes any value a creating call returned, a failure included.
    explicit Owned(Handle h) { reset(h); }
    Owned(Owned&& o) noexcept : h_(o.release()) {}
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return Traits::Valid(h_); }
    // For a call that returns a handle through a pointer.
    Handle* out() {
        reset();
        return &h_;
    }
    Handle release() { return std::exchange(h_, Traits::Empty()); }
    void reset(Handle h = Traits::Empty()) {
        if (Traits::Valid(h_)) Traits::Close(h_);
        h_ = Traits::Valid(h) ? h : Traits::Empty();
    }

private:
    Handle h_ = Traits::Empty();
};

// Kernel objects: processes, threads, tokens, files. CreateFile fails with
// INVALID_HANDLE_VALUE, the others with null; both mean no handle.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static HANDLE Empty() { return nullptr; }
    static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { FindClose(h); }
};
// Handles that are null when there is none, given back by one call.
template <class H, class Release>
struct NullEmptyTraits {
    using Handle = H;
    static H Empty() { return nullptr; }
    static bool Valid(H h) { return h != nullptr; }
    static void Close(H h) { Release()(h); }
};
template <class H, class Release>
using NullEmptyOwner = Owned<NullEmptyTraits<H, Release>>;

struct CloseRegKey {
    void operator()(HKEY h) const { RegCloseKey(h); }
};
struct Unhook {
    void operator()(HHOOK h) const { UnhookWindowsHookEx(h); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DeleteMemoryDc {
    void operator()(HDC h) const { DeleteDC(h); }
};
struct ReleaseScreenDc {
    void operator()(HDC h) const { ReleaseDC(nullptr, h); }
};
struct DestroyIconHandle {
    void operator()(HICON h) const { DestroyIcon(h); }
};

using KernelHandle = Owned<KernelHandleTraits>;
using FileHandle = KernelHandle;
using FindHandle = Owned<FindHandleTraits>;
using RegKey = NullEmptyOwner<HKEY, CloseRegKey>;
using HookHandle = NullEmptyOwner<HHOOK, Unhook>;
using BitmapHandle = NullEmptyOwner<HBITMAP, DeleteGdiObject>;
using RegionHandle = NullEmptyOwner<HRGN, DeleteGdiObject>;
using MemoryDc = NullEmptyOwner<HDC, DeleteMemoryDc>;
using IconHandle = NullEmptyOwner<HICON, DestroyIconHandle>;

// The screen's device context for the life of the object.
class ScreenDc : public NullEmptyOwner<HDC, ReleaseScreenDc> {
public:
    ScreenDc() : Owned(GetDC(nullptr)) {}
};

}  // namespace vx
