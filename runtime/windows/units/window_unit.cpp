// The window unit (type 0x00010001): the frame window of a loaded window,
// its background picture, shape, icons and sound.
#include <windows.h>

#include <mmsystem.h>

#include <cmath>
#include <vector>

#include "runtime/base/errors.h"
#include "runtime/process/window_thread.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/units/core_units.h"
#include "runtime/windows/units/unit_support.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::windows::units {
namespace {

constexpr char kDefaultClass[] = "WTWindow";
constexpr int kOutlineCount = 26;  // Shape 4 to 29
constexpr int kOutlineScale = 32767;

using namespace wt::property::window;

const PropertyDescriptor kProperties[] = {
    {"Caption", prop::kText},
    {"BorderStyle", prop::kPick},
    {"BackColor", prop::kColour},
    {"BackPicture", prop::kPicture},
    {"PictureMode", prop::kPick},
    {"BackSound", prop::kSound},
    {"SoundMode", prop::kPick},
    {"ControlBox", prop::kLogical},
    {"MaxButton", prop::kLogical},
    {"MinButton", prop::kLogical},
    {"Position", prop::kPick},
    {"CloseButton", prop::kLogical},
    {"Icon", prop::kIcon},
    {"EnterMovesFocus", prop::kLogical},
    {"EscapeCloses", prop::kLogical},
    {"F1Help", prop::kLogical},
    {"HelpFile", prop::kText},
    {"HelpTopic", prop::kInteger},
    {"ShowInTaskbar", prop::kLogical},
    {"DragAnywhere", prop::kLogical},
    {"Shape", prop::kPick},
    {"AlwaysOnTop", prop::kLogical},
    {"", prop::kLogical},
    {"ClassName", prop::kText},
};
static_assert(std::size(kProperties) == wt::property::window::kCount, "one entry per index");

// Frame styles from the stored data.
struct FrameStyles {
    DWORD style;
    DWORD exStyle;
};

FrameStyles StylesFor(const stored::WindowData& d) {
    DWORD style = WS_CLIPCHILDREN;
    DWORD ex = 0;
    int border = stored::Clamp(d.borderStyle, 0, 6);
    bool titleBar = border != 0 && (!d.caption.empty() || d.controlBox);
    style |= titleBar ? WS_CAPTION : WS_POPUP;
    if (border != 0) {
        if (d.controlBox) style |= WS_SYSMENU;
        if (border == 1 || border == 3 || border == 5) style |= WS_THICKFRAME;
        if (border == 3 || border == 4) ex |= WS_EX_TOOLWINDOW;
        if (border == 5 || border == 6) ex |= WS_EX_CLIENTEDGE;
        if (!titleBar) style |= WS_BORDER;
        if (d.maxButton) style |= WS_MAXIMIZEBOX;
        if (d.minButton) style |= WS_MINIMIZEBOX;
    }
    return {style, ex};
}

constexpr DWORD kFrameStyleMask =
    WS_CAPTION | WS_POPUP | WS_SYSMENU | WS_THICKFRAME | WS_BORDER | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
constexpr DWORD kFrameExMask = WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;

// Outlines for Shape 4 to 29 in 0..32767 coordinates: regular polygons with
// 3 to 12 corners, stars with 4 to 11 points, then crosses, arrows and
// notched rectangles.
std::vector<POINT> Outline(int number) {
    std::vector<POINT> pts;
    const double c = kOutlineScale / 2.0;
    auto polar = [&](double angle, double radius) {
        pts.push_back(POINT{static_cast<LONG>(std::lround(c + radius * std::cos(angle))),
                            static_cast<LONG>(std::lround(c + radius * std::sin(angle)))});
    };
    const double pi = 3.14159265358979323846;
    if (number < 10) {
        int corners = number + 3;
        for (int i = 0; i < corners; ++i) polar(-pi / 2 + 2 * pi * i / corners, c);
    } else if (number < 18) {
        int points = number - 10 + 4;
        for (int i = 0; i < 2 * points; ++i) polar(-pi / 2 + pi * i / points, (i % 2) ? c * 0.45 : c);
    } else {
        auto add = [&](std::initializer_list<std::pair<int, int>> list) {
            for (auto [x, y] : list) pts.push_back(POINT{x * kOutlineScale / 8, y * kOutlineScale / 8});
        };
        switch (number) {
        case 18:
            add({{3, 0}, {5, 0}, {5, 3}, {8, 3}, {8, 5}, {5, 5}, {5, 8}, {3, 8}, {3, 5}, {0, 5}, {0, 3}, {3, 3}});
            break;
        case 19: add({{0, 2}, {5, 2}, {5, 0}, {8, 4}, {5, 8}, {5, 6}, {0, 6}}); break;
        case 20: add({{8, 2}, {3, 2}, {3, 0}, {0, 4}, {3, 8}, {3, 6}, {8, 6}}); break;
        case 21: add({{2, 8}, {2, 3}, {0, 3}, {4, 0}, {8, 3}, {6, 3}, {6, 8}}); break;
        case 22: add({{2, 0}, {2, 5}, {0, 5}, {4, 8}, {8, 5}, {6, 5}, {6, 0}}); break;
        case 23: add({{1, 0}, {7, 0}, {8, 1}, {8, 7}, {7, 8}, {1, 8}, {0, 7}, {0, 1}}); break;
        case 24: add({{0, 0}, {8, 0}, {8, 8}, {4, 6}, {0, 8}}); break;
        default: add({{0, 0}, {8, 0}, {6, 4}, {8, 8}, {0, 8}, {2, 4}}); break;
        }
    }
    return pts;
}

HRGN ShapeRegion(int shape, int w, int h) {
    switch (shape) {
    case 0: return nullptr;
    case 1: return CreateEllipticRgn(0, 0, w, h);
    case 2: {
        int corner = (w < h ? w : h) / 5;
        return CreateRoundRectRgn(0, 0, w, h, corner, corner);
    }
    case 3: {
        HRGN outer = CreateEllipticRgn(0, 0, w, h);
        RegionHandle inner(CreateEllipticRgn(w / 4, h / 4, w - w / 4, h - h / 4));
        CombineRgn(outer, outer, inner.get(), RGN_DIFF);
        return outer;
    }
    default: break;
    }
    std::vector<POINT> pts = Outline(stored::Clamp(shape, 4, 4 + kOutlineCount - 1) - 4);
    for (POINT& p : pts) {
        p.x = MulDiv(p.x, w, kOutlineScale);
        p.y = MulDiv(p.y, h, kOutlineScale);
    }
    HDC dc = CreateCompatibleDC(nullptr);
    BeginPath(dc);
    Polygon(dc, pts.data(), static_cast<int>(pts.size()));
    EndPath(dc);
    HRGN rgn = PathToRegion(dc);
    DeleteDC(dc);
    return rgn;
}

class WindowUnit final : public FrameUnit {
public:
    WindowUnit(const CreateParams& p, stored::WindowData data) : FrameUnit(p), d_(std::move(data)), dpi_(p.dpi) {}
    ~WindowUnit() override { StopSound(); }

    bool Create(const CreateParams& p);

    bool EnterMovesFocus() const override { return d_.enterMovesFocus != 0; }
    bool EscapeCloses() const override { return d_.escapeCloses != 0; }
    bool F1Help() const override { return d_.f1Help != 0; }
    std::string HelpFile() const override { return d_.helpFile; }
    int32_t HelpTopic() const override { return d_.helpTopic; }
    bool DragAnywhere() const override { return d_.dragAnywhere != 0; }
    bool AlwaysOnTop() const override { return d_.alwaysOnTop != 0; }
    void SetAlwaysOnTop(bool on) override;
    void ShowLoaded() override;

    int SetProperty(int32_t index, const PropertyValue& v) override;
    PropertyValue GetProperty(int32_t index) override;
    void Show(bool visible) override {
        if (visible) ShowLoaded();
        else ShowWindow(hwnd_, SW_HIDE);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static ATOM RegisterFrameClass(const std::string& name);
    void Paint();
    void Restyle();
    void ApplyShape();
    void ApplyIcons();
    void ApplyCloseButton();
    void StartSound();
    void StopSound();
    void BackgroundChanged();
    void InvalidateTransparent(HWND parent, const RECT& frame) const;
    COLORREF BackColour() const { return ResolveColour(d_.backColor, COLOR_BTNFACE); }

    stored::WindowData d_;
    int dpi_ = dpi::kTemplateDpi;
    DecodedPicture picture_;
    picture::IconHandle bigIcon_, smallIcon_;
    bool soundPlaying_ = false;
    // MIDI plays from a file through the sequencer: the sound is written to
    // a temporary file for as long as it plays.
    std::string midiFile_;
    std::string midiAlias_;
    void OnMidiDone(WPARAM flags);
};

ATOM WindowUnit::RegisterFrameClass(const std::string& name) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(ProgramInstance(), name.c_str(), &existing)) return 1;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hInstance = ProgramInstance();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = name.c_str();
    return RegisterClassExA(&wc);
}

bool WindowUnit::Create(const CreateParams& p) {
    std::string cls = d_.className.empty() ? kDefaultClass : d_.className;
    if (!RegisterFrameClass(cls)) return false;
    FrameStyles s = StylesFor(d_);
    int x = p.left, y = p.top;
    if (d_.position == 1) {
        x = (GetSystemMetrics(SM_CXSCREEN) - p.width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - p.height) / 2;
    }
    HWND owner = (p.modal || !d_.showInTaskbar) ? OwnerWindow() : p.parent;
    DWORD ex = s.exStyle | (d_.alwaysOnTop ? WS_EX_TOPMOST : 0);
    hwnd_ = CreateWindowExA(ex, cls.c_str(), d_.caption.c_str(), s.style | p.style, x, y, p.width, p.height, owner,
                            p.menu, ProgramInstance(), this);
    if (!hwnd_) return false;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    RECT r;
    GetWindowRect(hwnd_, &r);
    if (r.right - r.left != p.width || r.bottom - r.top != p.height)
        SetWindowPos(hwnd_, nullptr, 0, 0, p.width, p.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    picture_ = DecodeForScreen(d_.backPicture, BackColour(), dpi_);
    ApplyIcons();
    ApplyShape();
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    ApplyCloseButton();
    StartSound();
    return true;
}

LRESULT CALLBACK WindowUnit::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Contained([&]() -> LRESULT {
        auto* self = reinterpret_cast<WindowUnit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
        if (WindowThreadCalls::Handle(msg, wp)) return 0;
        switch (msg) {
        case WM_ERASEBKGND: return 1;  // painted with the picture in WM_PAINT
        case WM_PAINT: self->Paint(); return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED && self->d_.shape != 0) self->ApplyShape();
            if (self->d_.pictureMode >= 2) InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_DRAWITEM:
        case WM_HSCROLL:
        case WM_VSCROLL: {
            // Notifications go back to the unit whose child window sent them.
            HWND child = nullptr;
            if (msg == WM_NOTIFY) child = reinterpret_cast<NMHDR*>(lp)->hwndFrom;
            else if (msg == WM_DRAWITEM) child = reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem;
            else child = reinterpret_cast<HWND>(lp);
            LRESULT result = 0;
            if (Unit* unit = UnitFromHandle(child))
                if (unit->Reflect(msg, wp, lp, result)) return result;
            break;
        }
        case MM_MCINOTIFY: self->OnMidiDone(wp); return 0;
        case dpi::kMsgDpiChanged:
            // The window system has moved the frame and rebuilt the units.
            self->dpi_ = LOWORD(wp);
            self->picture_ = DecodeForScreen(self->d_.backPicture, self->BackColour(), self->dpi_);
            self->BackgroundChanged();
            return 0;
        case WM_NCDESTROY:
            self->StopSound();
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            break;
        default: break;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    });
}

void WindowUnit::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    RegionHandle uncovered(CreateRectRgnIndirect(&ps.rcPaint));
    if (!picture_.Empty()) {
        int w = picture_.Width(), h = picture_.Height();
        int mode = stored::Clamp(d_.pictureMode, 0, 3);
        if (mode == 1) {
            // Tiles from the top-left corner, only those meeting the update area.
            for (int y = (ps.rcPaint.top / h) * h; y < ps.rcPaint.bottom; y += h)
                for (int x = (ps.rcPaint.left / w) * w; x < ps.rcPaint.right; x += w)
                    picture::Draw(*picture_.surface, dc, x, y, w, h, SRCCOPY);
            uncovered.reset(CreateRectRgn(0, 0, 0, 0));
        } else {
            RECT at = PlacePicture(mode == 3 ? 1 : mode == 2 ? 2 : 0, w, h, client);
            RECT meet;
            if (IntersectRect(&meet, &at, &ps.rcPaint))
                picture::Draw(*picture_.surface, dc, at.left, at.top, at.right - at.left, at.bottom - at.top, SRCCOPY);
            RegionHandle covered(CreateRectRgnIndirect(&at));
            CombineRgn(uncovered.get(), uncovered.get(), covered.get(), RGN_DIFF);
        }
    }
    BrushHandle brush(CreateSolidBrush(BackColour()));
    FillRgn(dc, uncovered.get(), brush.get());
    EndPaint(hwnd_, &ps);
}

void WindowUnit::Restyle() {
    FrameStyles s = StylesFor(d_);
    LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    LONG ex = GetWindowLongA(hwnd_, GWL_EXSTYLE);
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>((style & ~kFrameStyleMask) | s.style));
    SetWindowLongA(hwnd_, GWL_EXSTYLE, static_cast<LONG>((ex & ~kFrameExMask) | s.exStyle));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ApplyCloseButton();
}

void WindowUnit::ApplyShape() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    HRGN rgn = ShapeRegion(stored::Clamp(d_.shape, 0, 29), r.right - r.left, r.bottom - r.top);
    SetWindowRgn(hwnd_, rgn, TRUE);  // the window owns the region from here
}

void WindowUnit::ApplyIcons() {
    HICON big = nullptr, small = nullptr;
    if (!d_.icon.empty()) {
        // An icon file: the system picks the best image for each size.
        if (d_.icon.size() > 6) {
            auto* bytes = reinterpret_cast<PBYTE>(d_.icon.data());
            int cx = GetSystemMetrics(SM_CXICON), sx = GetSystemMetrics(SM_CXSMICON);
            auto make = [&](int size) -> HICON {
                std::optional<picture::PictureData> pic = picture::DecodePicture(bytes, d_.icon.size());
                if (!pic || !pic->icon.get()) return nullptr;
                return static_cast<HICON>(CopyImage(pic->icon.get(), IMAGE_ICON, size, size, 0));
            };
            big = make(cx);
            small = make(sx);
        }
    }
    // The old icons go only once the window has the new ones.
    picture::IconHandle oldBig = std::move(bigIcon_), oldSmall = std::move(smallIcon_);
    bigIcon_.reset(big);
    smallIcon_.reset(small);
    HICON fallback = LoadIconA(ProgramInstance(), "DEFAULT_ICON");
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big : fallback));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : fallback));
}

void WindowUnit::ApplyCloseButton() {
    GetSystemMenu(hwnd_, TRUE);  // restore the standard menu
    if (!d_.closeButton)
        if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);
    DrawMenuBar(hwnd_);
}

void WindowUnit::StartSound() {
    StopSound();
    if (d_.backSound.size() < 12 || (d_.soundMode != 0 && d_.soundMode != 1)) return;
    const std::string& s = d_.backSound;
    if (s.compare(0, 4, "RIFF") == 0 && s.compare(8, 4, "WAVE") == 0) {
        // WAV data plays from memory; the sound stays in this object while it plays.
        UINT flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT | (d_.soundMode == 0 ? SND_LOOP : 0);
        soundPlaying_ = PlaySoundA(s.data(), nullptr, flags) != FALSE;
        return;
    }
    if (s.compare(0, 4, "MThd") != 0 && !(s.compare(0, 4, "RIFF") == 0 && s.compare(8, 4, "RMID") == 0)) return;
    char folder[MAX_PATH], file[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "vxm", 0, file)) return;
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    BOOL ok = WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
    CloseHandle(h);
    midiFile_ = file;
    if (!ok || written != s.size()) {
        StopSound();
        return;
    }
    midiAlias_ = "vxbgm" + std::to_string(reinterpret_cast<uintptr_t>(this));
    std::string open = "open \"" + midiFile_ + "\" type sequencer alias " + midiAlias_;
    if (mciSendStringA(open.c_str(), nullptr, 0, nullptr) != 0) {
        midiAlias_.clear();
        StopSound();
        return;
    }
    std::string play = "play " + midiAlias_ + " from 0 notify";
    mciSendStringA(play.c_str(), nullptr, 0, hwnd_);
}

void WindowUnit::OnMidiDone(WPARAM flags) {
    // Repeat mode starts again when a play ran to its end.
    if (flags != MCI_NOTIFY_SUCCESSFUL || midiAlias_.empty() || d_.soundMode != 0) return;
    std::string play = "play " + midiAlias_ + " from 0 notify";
    mciSendStringA(play.c_str(), nullptr, 0, hwnd_);
}

void WindowUnit::StopSound() {
    if (soundPlaying_) PlaySoundA(nullptr, nullptr, 0);
    soundPlaying_ = false;
    if (!midiAlias_.empty()) {
        std::string close = "close " + midiAlias_;
        mciSendStringA(close.c_str(), nullptr, 0, nullptr);
        midiAlias_.clear();
    }
    if (!midiFile_.empty()) {
        DeleteFileA(midiFile_.c_str());
        midiFile_.clear();
    }
}

void WindowUnit::BackgroundChanged() {
    InvalidateRect(hwnd_, nullptr, TRUE);
    // Transparent units draw over the background, those inside containers
    // too: every visible one at any depth redraws.
    RECT frame;
    GetClientRect(hwnd_, &frame);
    InvalidateTransparent(hwnd_, frame);
}

void WindowUnit::InvalidateTransparent(HWND parent, const RECT& frame) const {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        if (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT) {
            RECT r, meet;
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
            if (IntersectRect(&meet, &r, &frame)) InvalidateRect(child, nullptr, TRUE);
        }
        InvalidateTransparent(child, frame);
    }
}

void WindowUnit::SetAlwaysOnTop(bool on) {
    d_.alwaysOnTop = on ? 1 : 0;
    SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (on) return;
    // Windows kept out of the taskbar that stay on top go back above.
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        auto* other = dynamic_cast<WindowUnit*>(UnitFromHandle(h));
        if (other && other != this && other->d_.alwaysOnTop && !other->d_.showInTaskbar)
            SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void WindowUnit::ShowLoaded() {
    bool sizable = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_THICKFRAME) != 0;
    int show = SW_SHOW;
    if (d_.position == 2) show = SW_SHOWMINIMIZED;
    else if (d_.position == 3 && sizable) show = SW_SHOWMAXIMIZED;
    ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
}

int WindowUnit::SetProperty(int32_t index, const PropertyValue& v) {
    int32_t n = v.Int();
    switch (index) {
    case kCaption:
        d_.caption = v.bytes;
        SetWindowTextA(hwnd_, d_.caption.c_str());
        break;
    case kBorderStyle:
        d_.borderStyle = stored::Clamp(n, 0, 6);
        Restyle();
        break;
    case kBackColor:
        d_.backColor = static_cast<uint32_t>(v.number);
        picture_ = DecodeForScreen(d_.backPicture, BackColour(), dpi_);
        BackgroundChanged();
        break;
    case kBackPicture:
        d_.backPicture = v.bytes;
        picture_ = DecodeForScreen(d_.backPicture, BackColour(), dpi_);
        BackgroundChanged();
        break;
    case kPictureMode:
        d_.pictureMode = stored::Clamp(n, 0, 3);
        if (!picture_.Empty()) BackgroundChanged();
        break;
    case kBackSound:
        StopSound();
        d_.backSound = v.bytes;
        StartSound();
        break;
    case kSoundMode:
        d_.soundMode = stored::Clamp(n, 0, 2);
        StartSound();
        break;
    case kControlBox:
        d_.controlBox = v.Bool();
        Restyle();
        break;
    case kMaxButton:
        d_.maxButton = v.Bool();
        Restyle();
        break;
    case kMinButton:
        d_.minButton = v.Bool();
        Restyle();
        break;
    case kPosition: {
        d_.position = stored::Clamp(n, 0, 3);
        if (!IsWindowVisible(hwnd_)) break;
        bool sizable = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_THICKFRAME) != 0;
        switch (d_.position) {
        case 0: ShowWindow(hwnd_, SW_RESTORE); break;
        case 1: {
            if (IsIconic(hwnd_) || IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
            RECT r;
            GetWindowRect(hwnd_, &r);
            SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case 2: ShowWindow(hwnd_, SW_MINIMIZE); break;
        default:
            if (sizable) ShowWindow(hwnd_, SW_MAXIMIZE);
            break;
        }
        break;
    }
    case kCloseButton:
        d_.closeButton = v.Bool();
        ApplyCloseButton();
        break;
    case kIcon:
        d_.icon = v.bytes;
        ApplyIcons();
        break;
    case kEnterMovesFocus: d_.enterMovesFocus = v.Bool(); break;
    case kEscapeCloses: d_.escapeCloses = v.Bool(); break;
    case kF1Help: d_.f1Help = v.Bool(); break;
    case kHelpFile: d_.helpFile = v.bytes; break;
    case kHelpTopic: d_.helpTopic = n; break;
    case kShowInTaskbar: d_.showInTaskbar = v.Bool(); break;
    case kDragAnywhere: d_.dragAnywhere = v.Bool(); break;
    case kShape:
        d_.shape = stored::Clamp(n, 0, 29);
        ApplyShape();
        break;
    case kAlwaysOnTop: SetAlwaysOnTop(v.Bool()); break;
    case kProperty30: d_.property30 = v.Bool(); break;
    case kClassName: d_.className = v.bytes; break;
    default: break;
    }
    return 0;
}

PropertyValue WindowUnit::GetProperty(int32_t index) {
    switch (index) {
    case kCaption: {
        int n = GetWindowTextLengthA(hwnd_);
        std::string s(static_cast<size_t>(n) + 1, '\0');
        s.resize(static_cast<size_t>(GetWindowTextA(hwnd_, s.data(), n + 1)));
        return PropertyValue::OfBytes(s);
    }
    case kBorderStyle: return PropertyValue::Of(d_.borderStyle);
    case kBackColor: return PropertyValue::Of(d_.backColor);
    case kBackPicture: return PropertyValue::OfBytes(d_.backPicture);
    case kPictureMode: return PropertyValue::Of(d_.pictureMode);
    case kBackSound: return PropertyValue::OfBytes(d_.backSound);
    case kSoundMode: return PropertyValue::Of(d_.soundMode);
    case kControlBox: return PropertyValue::Of(d_.controlBox);
    case kMaxButton: return PropertyValue::Of(d_.maxButton);
    case kMinButton: return PropertyValue::Of(d_.minButton);
    case kPosition: return PropertyValue::Of(d_.position);
    case kCloseButton: return PropertyValue::Of(d_.closeButton);
    case kIcon: return PropertyValue::OfBytes(d_.icon);
    case kEnterMovesFocus: return PropertyValue::Of(d_.enterMovesFocus);
    case kEscapeCloses: return PropertyValue::Of(d_.escapeCloses);
    case kF1Help: return PropertyValue::Of(d_.f1Help);
    case kHelpFile: return PropertyValue::OfBytes(d_.helpFile);
    case kHelpTopic: return PropertyValue::Of(d_.helpTopic);
    case kShowInTaskbar: return PropertyValue::Of(d_.showInTaskbar);
    case kDragAnywhere: return PropertyValue::Of(d_.dragAnywhere);
    case kShape: return PropertyValue::Of(d_.shape);
    case kAlwaysOnTop: return PropertyValue::Of(d_.alwaysOnTop);
    case kProperty30: return PropertyValue::Of(d_.property30);
    case kClassName: return PropertyValue::OfBytes(d_.className);
    default: return {};
    }
}

Unit* CreateWindowUnit(const CreateParams& p) {
    std::optional<stored::WindowData> data = stored::ReadWindowData(p.data, p.length);
    if (!data) return nullptr;
    auto* unit = new WindowUnit(p, std::move(*data));
    if (!unit->Create(p)) {
        delete unit;
        return nullptr;
    }
    return unit;
}

constexpr char kChineseName[] = "窗口";

const TypeDescriptor kDescriptor{kChineseName,           "Window",    0x800000D0,
                                 std::size(kProperties), kProperties, CreateWindowUnit};

}  // namespace

const TypeDescriptor& WindowUnitType() { return kDescriptor; }

}  // namespace vx::windows::units
