#include "runtime/windows/system/dpi.h"

#include <map>
#include <mutex>

namespace vx::windows::dpi {
namespace {

using DpiForSystem = UINT(WINAPI*)();
using DpiForWindow = UINT(WINAPI*)(HWND);

// user32 is delay-loaded and a missing export would end the program: the
// newer DPI functions are looked up.
FARPROC User32Export(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? GetProcAddress(user, name) : nullptr;
}

// GetDpiForSystem exists from Windows 10 1607 on.
int QuerySystemDpi() {
    if (auto query = reinterpret_cast<DpiForSystem>(reinterpret_cast<void*>(User32Export("GetDpiForSystem"))))
        if (UINT d = query()) return static_cast<int>(d);
    HDC screen = GetDC(nullptr);
    int d = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return d > 0 ? d : kTemplateDpi;
}

}  // namespace

int SystemDpi() {
    static const int value = QuerySystemDpi();
    return value;
}

int ForWindow(HWND hwnd) {
    static const auto query = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(User32Export("GetDpiForWindow")));
    if (query && hwnd)
        if (UINT d = query(hwnd)) return static_cast<int>(d);
    return SystemDpi();
}

HFONT DefaultFont(int dpi) {
    HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    int system = SystemDpi();
    if (dpi == system) return stock;
    // Only after a move to a monitor of another DPI; a handful at most.
    static std::mutex lock;
    static std::map<int, HFONT> made;
    std::lock_guard<std::mutex> hold(lock);
    HFONT& font = made[dpi];
    if (!font) {
        LOGFONTA lf{};
        GetObjectA(stock, sizeof lf, &lf);
        lf.lfHeight = MulDiv(lf.lfHeight, dpi, system);
        lf.lfWidth = MulDiv(lf.lfWidth, dpi, system);
        font = CreateFontIndirectA(&lf);
        if (!font) return stock;
    }
    return font;
}

}  // namespace vx::windows::dpi
