// Button (type 0x0001000B): a Windows push button with text, an icon or a
// bitmap; raises event 0 when clicked.
#include <windows.h>

#include <memory>

#include "runtime/windows/system/events.h"
#include "runtime/windows/template/event_numbers.h"
#include "runtime/windows/units/core_units.h"
#include "runtime/windows/units/unit_support.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::windows::units {
namespace {

using namespace wt::property::button;

const PropertyDescriptor kProperties[] = {
    {"Picture", prop::kPicture}, {"ButtonType", prop::kPick}, {"Caption", prop::kText},
    {"HAlign", prop::kPick},     {"VAlign", prop::kPick},     {"Font", prop::kFont},
};
static_assert(std::size(kProperties) == wt::property::button::kCount, "one entry per index");

constexpr DWORD kHAlignStyles[] = {BS_LEFT, BS_CENTER, BS_RIGHT};
constexpr DWORD kVAlignStyles[] = {BS_TOP, BS_VCENTER, BS_BOTTOM};
constexpr DWORD kAlignMask = BS_CENTER | BS_VCENTER;  // BS_CENTER = LEFT|RIGHT, BS_VCENTER = TOP|BOTTOM

using IconOwner = picture::IconHandle;

class Button final : public Unit {
public:
    Button(const CreateParams& p, stored::ButtonData d) : Unit(p), d_(std::move(d)) {}

    bool Create(const CreateParams& p);
    int SetProperty(int32_t index, const PropertyValue& v) override;
    PropertyValue GetProperty(int32_t index) override;
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool WantsKey(UINT vk) override { return vk == VK_RETURN && d_.buttonType == 1; }
    bool HasClick() override { return true; }
    void Click() override { SendMessageA(hwnd_, BM_CLICK, 0, 0); }
    std::string MnemonicText() override { return d_.caption; }
    bool Mnemonic() override {
        Click();
        return true;
    }
    std::string CurrentData() override { return stored::WriteButtonData(d_); }

private:
    DWORD AlignBits() const {
        return kHAlignStyles[stored::Clamp(d_.hAlign, 0, 2)] | kVAlignStyles[stored::Clamp(d_.vAlign, 0, 2)];
    }
    void SetStyleBits(DWORD mask, DWORD bits);

    stored::ButtonData d_;
    UnitFont font_;
    BitmapHandle bitmap_;
    IconOwner icon_;
};

bool Button::Create(const CreateParams& p) {
    DWORD style =
        WS_CHILD | p.style | BS_MULTILINE | AlignBits() | (d_.buttonType == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    picture::Kind kind = picture::Kind::None;
    if (!d_.picture.empty()) {
        kind = picture::Detect(d_.picture.data(), d_.picture.size());
        if (kind == picture::Kind::Ico || kind == picture::Kind::Cur) style |= BS_ICON;
        else if (kind != picture::Kind::None) style |= BS_BITMAP;
    }
    hwnd_ = CreateWindowExA(0, "BUTTON", d_.caption.c_str(), style, p.left, p.top, p.width, p.height, p.parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)), ProgramInstance(), nullptr);
    if (!hwnd_) return false;
    if (kind == picture::Kind::Ico || kind == picture::Kind::Cur) {
        std::optional<picture::PictureData> data = picture::DecodePicture(d_.picture.data(), d_.picture.size());
        if (data && data->icon.get()) {
            icon_.reset(static_cast<HICON>(CopyImage(data->icon.get(), IMAGE_ICON, 0, 0, 0)));
            SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon_.get()));
        }
    } else if (kind != picture::Kind::None) {
        bitmap_ = picture::BytesToBitmap(d_.picture.data(), d_.picture.size(), GetSysColor(COLOR_BTNFACE));
        SendMessageA(hwnd_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.get()));
    }
    font_.SetDpi(p.dpi);
    font_.SetBlock(d_.font);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return true;
}

void Button::SetStyleBits(DWORD mask, DWORD bits) {
    LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>((style & ~mask) | bits));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

bool Button::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) RaiseEvent(WindowId(), UnitId(), wt::event::kClicked);
    return false;
}

int Button::SetProperty(int32_t index, const PropertyValue& v) {
    switch (index) {
    case kPicture: d_.picture = v.bytes; return 1;
    case kButtonType:
        d_.buttonType = stored::Clamp(v.Int(), 0, 1);
        SendMessageA(hwnd_, BM_SETSTYLE, d_.buttonType == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        break;
    case kCaption:
        d_.caption = v.bytes;
        SetWindowTextA(hwnd_, d_.caption.c_str());
        break;
    case kHAlign:
        d_.hAlign = stored::Clamp(v.Int(), 0, 2);
        SetStyleBits(kAlignMask, AlignBits());
        break;
    case kVAlign:
        d_.vAlign = stored::Clamp(v.Int(), 0, 2);
        SetStyleBits(kAlignMask, AlignBits());
        break;
    case kFont:
        if (v.hasFont) font_.Set(v.font);
        else font_.SetBlock({});
        d_.font = font_.Block();
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        break;
    default: break;
    }
    return 0;
}

PropertyValue Button::GetProperty(int32_t index) {
    switch (index) {
    case kPicture: return PropertyValue::OfBytes(d_.picture);
    case kButtonType: return PropertyValue::Of(d_.buttonType);
    case kCaption: return PropertyValue::OfBytes(d_.caption);
    case kHAlign: return PropertyValue::Of(d_.hAlign);
    case kVAlign: return PropertyValue::Of(d_.vAlign);
    case kFont: {
        PropertyValue v;
        v.hasFont = font_.HasFont();
        v.font = font_.Record();
        return v;
    }
    default: return {};
    }
}

Unit* CreateButton(const CreateParams& p) {
    std::optional<stored::ButtonData> data = stored::ReadButtonData(p.data, p.length);
    if (!data) return nullptr;
    auto unit = std::make_unique<Button>(p, std::move(*data));
    return unit->Create(p) ? unit.release() : nullptr;
}

constexpr char kChineseName[] = "按钮";
const TypeDescriptor kDescriptor{kChineseName, "Button", 0x80000840, std::size(kProperties), kProperties, CreateButton};

}  // namespace

const TypeDescriptor& ButtonType() { return kDescriptor; }

}  // namespace vx::windows::units
