#include "runtime/zip/zip_unit.h"

#include "runtime/base/errors.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace vx::zip {

const char kZipUnitTypeName[] = "ZIP压缩";

namespace {

constexpr char kClassName[] = "VxZipUnit";
constexpr COLORREF kFace = RGB(212, 208, 200);

struct LiveUnit {
    uint32_t windowId;
    uint32_t unitId;
    HWND hwnd;
};

// Read by extractions on other threads while the window thread creates and
// destroys units.
std::mutex gLiveMutex;
std::vector<LiveUnit> gLive;

void Forget(HWND hwnd) {
    std::lock_guard<std::mutex> lock(gLiveMutex);
    gLive.erase(std::remove_if(gLive.begin(), gLive.end(), [&](const LiveUnit& u) { return u.hwnd == hwnd; }),
                gLive.end());
}

LRESULT CALLBACK UnitProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Contained([&]() -> LRESULT {
        switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            HBRUSH brush = CreateSolidBrush(kFace);
            FillRect(dc, &rc, brush);
            DeleteObject(brush);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers the whole client area
        case WM_NCDESTROY: Forget(hwnd); break;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    });
}

bool RegisterUnitClass() {
    static const bool registered = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = UnitProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

std::unique_ptr<ZipUnit> ZipUnit::Create(const UnitParams& p) {
    if (!RegisterUnitClass()) return nullptr;
    HWND hwnd = CreateWindowExA(
        0, kClassName, "", p.style | WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER, p.left, p.top, p.width, p.height, p.parent,
        reinterpret_cast<HMENU>(static_cast<intptr_t>(p.controlId)), GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) return nullptr;
    {
        std::lock_guard<std::mutex> lock(gLiveMutex);
        gLive.push_back({p.windowId, p.unitId, hwnd});
    }
    return std::unique_ptr<ZipUnit>(new ZipUnit(hwnd, p.windowId, p.unitId));
}

ZipUnit::~ZipUnit() {
    bool live;
    {
        std::lock_guard<std::mutex> lock(gLiveMutex);
        live = std::any_of(gLive.begin(), gLive.end(), [&](const LiveUnit& u) { return u.hwnd == hwnd_; });
    }
    if (live) DestroyWindow(hwnd_);
}

bool ZipUnitExists(uint32_t windowId, uint32_t unitId) {
    std::lock_guard<std::mutex> lock(gLiveMutex);
    for (const LiveUnit& u : gLive)
        if (u.windowId == windowId && u.unitId == unitId) return IsWindow(u.hwnd) != FALSE;
    return false;
}

}  // namespace vx::zip
