// Skin windows of class "CMIButton": the bar's main window and its four
// parts. Each paints itself from cells of an image list (or a plain 3D
// fallback), keeps a normal/hover/pressed/disabled state and tells its owner
// about clicks and moves with kSkinNotify.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <string>

#include "runtime/picture/gdi_owners.h"

namespace vx::controls {

// WM_APP + 1 to the owner; wParam one of the codes, lParam the part's
// window (for kSkinPositionChanging: the WINDOWPOS being applied).
constexpr UINT kSkinNotify = WM_APP + 1;
enum SkinCode : WPARAM {
    kSkinClicked = 1,
    kSkinMoved = 2,
    kSkinPositionChanging = 3,
    kSkinPressed = 6,
    kSkinReleased = 7,
};

enum SkinState { kSkinNormal = 0, kSkinHover = 1, kSkinPressedState = 2, kSkinDisabled = 3 };
enum SkinSlot { kBodySlot = 0, kStartCapSlot = 1, kEndCapSlot = 2, kCentreSlot = 3 };

// Cell numbers by [state][slot]; -1: no cell.
using SkinCells = std::array<std::array<int, 4>, 4>;

class SkinWindow {
public:
    SkinWindow() = default;
    ~SkinWindow();
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;

    bool Create(HWND parent, const char* caption, int x, int y, int width, int height, DWORD style, HWND owner);
    HWND Handle() const { return hwnd_; }
    int State() const { return state_; }
    void SetOwner(HWND owner) { owner_ = owner; }

    // Drawing kind 2: an image list (not owned) with its cells per state and
    // slot; null falls back to the plain drawing.
    void SetImages(HIMAGELIST list, const SkinCells& cells);
    // Drawing kind 1: one bitmap per state (not owned), stretched over the
    // window; a state without one shows the normal state's, none at all
    // falls back to the plain drawing.
    void SetBitmaps(const std::array<HBITMAP, 4>& byState);
    // Cell drawing mode as stored: 1 origin, 2 centred, 3 stretched, 4 tiled.
    void SetDrawMode(int mode);
    void SetEndCaps(bool on);
    void SetCentreMark(bool on);
    void SetBand(int thickness);  // 0: the body spans the whole thickness
    void SetInset(int inset);
    void SetVertical(bool vertical);
    void SetBackground(COLORREF colour);
    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    void SetTextColour(COLORREF colour);
    void SetFont(HFONT font);  // not owned; null: the default GUI font
    void SetDraggable(bool alongX, bool alongY) {
        dragX_ = alongX;
        dragY_ = alongY;
    }
    bool DraggableX() const { return dragX_; }
    bool DraggableY() const { return dragY_; }

    // Cell length along the axis and thickness across it (0 without images).
    int CellLength() const;
    int CellThickness() const;

    // The owner's hook for messages the skin does not handle itself (keys,
    // timers, kSkinNotify to the main window); true = handled.
    std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> extra;

    void Repaint();

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void SetState(int state);
    void Notify(WPARAM code, LPARAM lp);
    void Paint();
    // The painting buffer: a 32-bit top-down DIB and its DC.
    struct Target {
        HDC dc;
        uint32_t* bits;
        int width, height;
    };
    void PaintCells(const Target& target, const RECT& client);
    void PaintFallback(HDC dc, const RECT& client);
    bool PaintBitmap(HDC dc, const RECT& client) const;
    void PrepareCells();
    int Cell(int slot) const;
    // Draws cell `index` into an along/across rectangle (stretched to it),
    // clipped to `clip` (client coordinates).
    void DrawCell(const Target& target, int index, int a, int c, int la, int lc, const RECT& clip) const;
    RECT Screen(int a, int c, int la, int lc) const;

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    int state_ = kSkinNormal;
    enum class DrawingKind { kPlain, kBitmaps, kCells };
    DrawingKind kind_ = DrawingKind::kPlain;
    std::array<HBITMAP, 4> bitmaps_{};
    HIMAGELIST list_ = nullptr;
    SkinCells cells_{};
    int cellW_ = 0, cellH_ = 0, cellCount_ = 0;
    int drawMode_ = 4;
    bool endCaps_ = true, centreMark_ = true;
    int band_ = 0, inset_ = 0;
    bool vertical_ = false;
    COLORREF background_ = GetSysColor(COLOR_BTNFACE);
    std::string text_;
    COLORREF textColour_ = 0;
    HFONT font_ = nullptr;
    bool dragX_ = false, dragY_ = false;
    bool tracking_ = false;
    // Every cell drawn once over magenta (rotated for a vertical bar), cut
    // out again with TransparentBlt when painting.
    picture::MemoryDc cellDc_;
    picture::BitmapHandle cellBitmap_;
    HGDIOBJ cellOld_ = nullptr;
    uint32_t* cellBits_ = nullptr;
};

}  // namespace vx::controls
