// PicBox (type 0x00010006): a picture drawn on a background colour.
#include <windows.h>

#include <vector>

#include "runtime/picture/gdi_owners.h"
#include "runtime/base/errors.h"
#include "runtime/windows/units/core_units.h"
#include "runtime/windows/units/gif_frames.h"
#include "runtime/windows/template/property_numbers.h"
#include "runtime/windows/units/unit_support.h"

namespace vx::windows::units {
namespace {

using namespace wt::property::pic_box;

const PropertyDescriptor kProperties[] = {
    {"BorderStyle", prop::kPick},
    {"BackColor", prop::kColour},
    {"Picture", prop::kPicture},
    {"DisplayMode", prop::kPick},
    {"Animate", prop::kLogical},
    {"", prop::kText},
    {"", prop::kText},
};
static_assert(std::size(kProperties) == wt::property::pic_box::kCount, "one entry per index");

constexpr char kClassName[] = "VxPicBox";
constexpr UINT_PTR kAnimationTimer = 1;
constexpr int kShortestDelayMs = 20;  // shorter (or no) delays play at the usual pace
constexpr int kDefaultDelayMs = 100;

// DisplayMode: 0 natural size at the top-left, 1 stretched over the box,
// 2 centred (scaled down to fit).
class PicBox final : public Unit {
public:
    PicBox(const CreateParams& p, stored::PicBoxData d) : Unit(p), d_(std::move(d)), dpi_(p.dpi) {}

    bool Create(const CreateParams& p);
    int SetProperty(int32_t index, const PropertyValue& v) override;
    PropertyValue GetProperty(int32_t index) override;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint();
    COLORREF BackColour() const { return ResolveColour(d_.backColor, COLOR_BTNFACE); }
    void Redecode();
    void ScaleFrames();
    void RunAnimation();
    void NextFrame();
    bool Animated() const { return frames_.size() > 1; }

    stored::PicBoxData d_;
    int dpi_;
    DecodedPicture picture_;
    BrushHandle brush_;
    // An animated GIF: one bitmap per composed frame, on the back colour.
    std::vector<BitmapHandle> frames_;
    std::vector<int> delays_;
    int frameWidth_ = 0, frameHeight_ = 0;
    size_t current_ = 0;
};

bool PicBox::Create(const CreateParams& p) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(ProgramInstance(), kClassName, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = Proc;
        wc.hInstance = ProgramInstance();
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExA(&wc)) return false;
    }
    BorderStyles border = BorderStyleBits(d_.borderStyle);
    hwnd_ = CreateWindowExA(border.exStyle, kClassName, "", WS_CHILD | WS_CLIPSIBLINGS | p.style | border.style, p.left,
                            p.top, p.width, p.height, p.parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)), ProgramInstance(), nullptr);
    if (!hwnd_) return false;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    brush_.reset(CreateSolidBrush(BackColour()));
    Redecode();
    ApplyBorderStyle(hwnd_, d_.borderStyle);
    return true;
}

void PicBox::Redecode() {
    picture_ = DecodeForScreen(d_.picture, BackColour(), dpi_);
    frames_.clear();
    delays_.clear();
    current_ = 0;
    if (picture::Detect(d_.picture.data(), d_.picture.size()) == picture::Kind::Gif) {
        gif::Animation a = gif::DecodeFrames(reinterpret_cast<const uint8_t*>(d_.picture.data()), d_.picture.size());
        if (a.frames.size() > 1) {
            COLORREF back = BackColour();
            uint32_t backPixel = uint32_t(GetRValue(back)) << 16 | uint32_t(GetGValue(back)) << 8 | GetBValue(back);
            BITMAPINFO bi = picture::TopDownBitmapInfo(a.width, a.height);
            for (const gif::Frame& f : a.frames) {
                void* bits = nullptr;
                BitmapHandle bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
                if (!bitmap || !bits) break;
                auto* out = static_cast<uint32_t*>(bits);
                for (size_t i = 0; i < f.pixels.size(); ++i)
                    out[i] = (f.pixels[i] >> 24) ? (f.pixels[i] & 0xFFFFFF) : backPixel;
                frames_.push_back(std::move(bitmap));
                delays_.push_back(f.delayMs < kShortestDelayMs ? kDefaultDelayMs : f.delayMs);
            }
            frameWidth_ = a.width;
            frameHeight_ = a.height;
            ScaleFrames();
        }
    }
    RunAnimation();
}

// The frames show at the window's DPI, like the still picture: all of them
// resampled, or (should one fail) none.
void PicBox::ScaleFrames() {
    int w = dpi::Scale(frameWidth_, dpi_), h = dpi::Scale(frameHeight_, dpi_);
    if (frames_.empty() || (w == frameWidth_ && h == frameHeight_)) return;
    std::vector<BitmapHandle> scaled;
    for (const BitmapHandle& frame : frames_) {
        scaled.push_back(picture::ScaleBitmap(frame.get(), w, h));
        if (!scaled.back()) return;
    }
    frames_ = std::move(scaled);
    frameWidth_ = w;
    frameHeight_ = h;
}

void PicBox::RunAnimation() {
    if (!hwnd_) return;
    KillTimer(hwnd_, kAnimationTimer);
    if (d_.animate && Animated() && current_ < delays_.size())
        SetTimer(hwnd_, kAnimationTimer, static_cast<UINT>(delays_[current_]), nullptr);
}

void PicBox::NextFrame() {
    if (!Animated()) return;
    current_ = (current_ + 1) % frames_.size();
    InvalidateRect(hwnd_, nullptr, FALSE);
    RunAnimation();
}

LRESULT CALLBACK PicBox::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Contained([&]() -> LRESULT {
        auto* self = reinterpret_cast<PicBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self) {
            switch (msg) {
            case WM_ERASEBKGND: return 1;
            case WM_PAINT: self->Paint(); return 0;
            case WM_SIZE: InvalidateRect(hwnd, nullptr, FALSE); break;
            case WM_TIMER:
                if (wp == kAnimationTimer) {
                    self->NextFrame();
                    return 0;
                }
                break;
            case WM_NCDESTROY:
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                self->hwnd_ = nullptr;
                break;
            default: break;
            }
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    });
}

void PicBox::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    RegionHandle uncovered(CreateRectRgnIndirect(&ps.rcPaint));
    if (Animated()) {
        RECT at = PlacePicture(stored::Clamp(d_.displayMode, 0, 2), frameWidth_, frameHeight_, client);
        picture::MemoryDc source(CreateCompatibleDC(dc));
        picture::Selection frame(source.get(), frames_[current_].get());
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, at.left, at.top, at.right - at.left, at.bottom - at.top, source.get(), 0, 0, frameWidth_,
                   frameHeight_, SRCCOPY);
        RegionHandle covered(CreateRectRgnIndirect(&at));
        CombineRgn(uncovered.get(), uncovered.get(), covered.get(), RGN_DIFF);
    } else if (!picture_.Empty()) {
        RECT at = PlacePicture(stored::Clamp(d_.displayMode, 0, 2), picture_.Width(), picture_.Height(), client);
        picture::Draw(*picture_.surface, dc, at.left, at.top, at.right - at.left, at.bottom - at.top, SRCCOPY);
        RegionHandle covered(CreateRectRgnIndirect(&at));
        CombineRgn(uncovered.get(), uncovered.get(), covered.get(), RGN_DIFF);
    }
    FillRgn(dc, uncovered.get(), brush_.get());
    EndPaint(hwnd_, &ps);
}

int PicBox::SetProperty(int32_t index, const PropertyValue& v) {
    switch (index) {
    case kBorderStyle:
        d_.borderStyle = stored::Clamp(v.Int(), 0, 5);
        ApplyBorderStyle(hwnd_, d_.borderStyle);
        break;
    case kBackColor:
        d_.backColor = static_cast<uint32_t>(v.number);
        brush_.reset(CreateSolidBrush(BackColour()));
        Redecode();
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kPicture:
        d_.picture = v.bytes;
        Redecode();
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kDisplayMode:
        d_.displayMode = stored::Clamp(v.Int(), 0, 2);
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kAnimate:
        d_.animate = v.Bool();
        RunAnimation();
        break;
    case kBinding1: d_.binding1 = v.bytes; break;
    case kBinding2: d_.binding2 = v.bytes; break;
    default: break;
    }
    return 0;
}

PropertyValue PicBox::GetProperty(int32_t index) {
    switch (index) {
    case kBorderStyle: return PropertyValue::Of(d_.borderStyle);
    case kBackColor: return PropertyValue::Of(d_.backColor);
    case kPicture: return PropertyValue::OfBytes(d_.picture);
    case kDisplayMode: return PropertyValue::Of(d_.displayMode);
    case kAnimate: return PropertyValue::Of(d_.animate);
    case kBinding1: return PropertyValue::OfBytes(d_.binding1);
    case kBinding2: return PropertyValue::OfBytes(d_.binding2);
    default: return {};
    }
}

Unit* CreatePicBox(const CreateParams& p) {
    std::optional<stored::PicBoxData> data = stored::ReadPicBoxData(p.data, p.length);
    if (!data) return nullptr;
    auto* unit = new PicBox(p, std::move(*data));
    if (!unit->Create(p)) {
        delete unit;
        return nullptr;
    }
    return unit;
}

constexpr char kChineseName[] = "图片框";
const TypeDescriptor kDescriptor{kChineseName, "PicBox", 0x840100C0, std::size(kProperties), kProperties, CreatePicBox};

}  // namespace

const TypeDescriptor& PicBoxType() { return kDescriptor; }

}  // namespace vx::windows::units
