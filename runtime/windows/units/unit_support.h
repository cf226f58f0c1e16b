// Helpers shared by the core unit types.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "runtime/picture/gdi_owners.h"
#include "runtime/picture/picture_surface.h"
#include "runtime/windows/system/dpi.h"
#include "runtime/windows/units/stored_forms.h"

namespace vx::windows::units {

using picture::BitmapHandle;
using picture::RegionHandle;
using FontHandle = picture::Owner<HFONT, picture::DeleteGdiObject>;
using BrushHandle = picture::Owner<HBRUSH, picture::DeleteGdiObject>;

// 0xFF000000 stands for a system colour.
inline COLORREF ResolveColour(uint32_t colour, int systemIndex) {
    return colour == stored::kSystemColour ? GetSysColor(systemIndex) : static_cast<COLORREF>(colour & 0xFFFFFF);
}

// A font from a 60-byte LOGFONTA block; the default GUI font (not owned)
// for anything else. Made at the unit's DPI; the record stays as stored.
class UnitFont {
public:
    void SetDpi(int dpi) { dpi_ = dpi; }
    void SetBlock(const std::string& block);
    void Set(const LOGFONTA& lf);
    HFONT Get() const { return owned_ ? owned_.get() : dpi::DefaultFont(dpi_); }
    bool HasFont() const { return static_cast<bool>(owned_); }
    const LOGFONTA& Record() const { return record_; }
    std::string Block() const;

private:
    FontHandle owned_;
    FontHandle retired_;  // the one before, until the window has let go of it
    LOGFONTA record_{};
    int dpi_ = dpi::kTemplateDpi;
};

// Border styles 0-5 of edit and picture boxes: (style, extended style).
struct BorderStyles {
    DWORD style;
    DWORD exStyle;
};
BorderStyles BorderStyleBits(int32_t borderStyle);
constexpr DWORD kBorderStyleMask = WS_BORDER | WS_DLGFRAME;
constexpr DWORD kBorderExMask = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
// Replaces the border bits of a live window and redraws its frame.
void ApplyBorderStyle(HWND hwnd, int32_t borderStyle);

// A decoded picture kept for painting (decoded once per property change).
struct DecodedPicture {
    std::optional<picture::PictureSurface> surface;
    bool Empty() const { return !surface; }
    int Width() const { return surface ? surface->width : 0; }
    int Height() const { return surface ? surface->height : 0; }
};
// Pictures show at the window's DPI: resampled here, once per decode.
DecodedPicture DecodeForScreen(const std::string& bytes, COLORREF background, int dpi);

// Placement of a w x h picture in a client rectangle: 0 natural size at the
// top-left, 1 stretched, 2 centred and scaled down to fit (proportions kept).
RECT PlacePicture(int mode, int w, int h, const RECT& client);

HINSTANCE ProgramInstance();

}  // namespace vx::windows::units
