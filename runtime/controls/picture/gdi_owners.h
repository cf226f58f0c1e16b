// Move-only owners of the GDI handles used for pictures.
#pragma once

#include <windows.h>

namespace vx::picture {

template <class Handle, class Release>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle h) : h_(h) {}
    Owner(Owner&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    Owner& operator=(Owner&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    ~Owner() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    Handle release() {
        Handle h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(Handle h = nullptr) {
        if (h_) Release()(h_);
        h_ = h;
    }

private:
    Handle h_ = nullptr;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DeleteMemoryDc {
    void operator()(HDC h) const { DeleteDC(h); }
};
struct DestroyIconHandle {
    void operator()(HICON h) const { DestroyIcon(h); }
};
struct CloseFileHandle {
    void operator()(HANDLE h) const { CloseHandle(h); }
};

using BitmapHandle = Owner<HBITMAP, DeleteGdiObject>;
using RegionHandle = Owner<HRGN, DeleteGdiObject>;
using MemoryDc = Owner<HDC, DeleteMemoryDc>;
using IconHandle = Owner<HICON, DestroyIconHandle>;

// Invalid files are INVALID_HANDLE_VALUE, not null.
class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    HANDLE get() const { return h_.get(); }
    explicit operator bool() const { return static_cast<bool>(h_); }

private:
    Owner<HANDLE, CloseFileHandle> h_;
};

// The screen's device context for the life of the object.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    bool ok() const { return old_ && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace vx::picture
