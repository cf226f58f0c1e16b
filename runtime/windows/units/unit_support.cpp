#include "runtime/windows/units/unit_support.h"

#include <algorithm>
#include <cstring>

namespace vx::windows::units {

void UnitFont::SetBlock(const std::string& block) {
    if (block.size() != sizeof(LOGFONTA)) {
        retired_ = std::move(owned_);
        record_ = LOGFONTA{};
        return;
    }
    LOGFONTA lf;
    std::memcpy(&lf, block.data(), sizeof lf);
    lf.lfFaceName[sizeof lf.lfFaceName - 1] = '\0';
    Set(lf);
}

void UnitFont::Set(const LOGFONTA& lf) {
    record_ = lf;
    // The window keeps the old font until the caller hands it the new one;
    // it goes at the next change, when the window no longer has it.
    retired_ = std::move(owned_);
    LOGFONTA scaled = dpi::ScaledFont(record_, dpi_);
    owned_.reset(CreateFontIndirectA(&scaled));
}

std::string UnitFont::Block() const {
    if (!owned_) return {};
    return std::string(reinterpret_cast<const char*>(&record_), sizeof record_);
}

BorderStyles BorderStyleBits(int32_t borderStyle) {
    switch (stored::Clamp(borderStyle, 0, 5)) {
    case 1: return {0, WS_EX_CLIENTEDGE};
    case 2: return {0, WS_EX_DLGMODALFRAME};
    case 3: return {0, WS_EX_STATICEDGE};
    case 4: return {0, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME};
    case 5: return {WS_BORDER, 0};
    default: return {0, 0};
    }
}

void ApplyBorderStyle(HWND hwnd, int32_t borderStyle) {
    BorderStyles bits = BorderStyleBits(borderStyle);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    LONG ex = GetWindowLongA(hwnd, GWL_EXSTYLE);
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>((style & ~kBorderStyleMask) | bits.style));
    SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>((ex & ~kBorderExMask) | bits.exStyle));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

DecodedPicture DecodeForScreen(const std::string& bytes, COLORREF background, int dpi) {
    DecodedPicture d;
    if (bytes.empty()) return d;
    std::optional<picture::PictureData> data = picture::DecodePicture(bytes.data(), bytes.size());
    if (!data) return d;
    picture::ScreenDc screen;
    d.surface = picture::MakeSurface(screen.get(), *data, background);
    if (!d.surface) return d;
    d.surface->dc = nullptr;  // drawn onto whatever DC paints
    // Left at its own size if it cannot be resampled.
    picture::ScaleSurface(*d.surface, dpi::Scale(d.surface->width, dpi), dpi::Scale(d.surface->height, dpi));
    return d;
}

RECT PlacePicture(int mode, int w, int h, const RECT& client) {
    int cw = client.right - client.left, ch = client.bottom - client.top;
    switch (mode) {
    case 1: return client;
    case 2: {
        int dw = w, dh = h;
        if (dw > cw || dh > ch) {
            // Scale down to fit, keeping the proportions.
            if (int64_t(cw) * h <= int64_t(ch) * w) {
                dw = cw;
                dh = w ? static_cast<int>(int64_t(h) * cw / w) : 0;
            } else {
                dh = ch;
                dw = h ? static_cast<int>(int64_t(w) * ch / h) : 0;
            }
        }
        int x = client.left + (cw - dw) / 2, y = client.top + (ch - dh) / 2;
        return RECT{x, y, x + dw, y + dh};
    }
    default: return RECT{client.left, client.top, client.left + w, client.top + h};
    }
}

HINSTANCE ProgramInstance() { return GetModuleHandleA(nullptr); }

}  // namespace vx::windows::units
