#include "runtime/controls/picbtn/picbtn_unit.h"

#include "runtime/controls/picbtn/picbtn.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;
namespace prop = windows::prop;

constexpr windows::PropertyDescriptor kProperties[] = {
    {"ButtonMode", prop::kPick},         {"Selected", prop::kLogical},
    {"NormalPicture", prop::kPicture},   {"HoverPicture", prop::kPicture},
    {"PressedPicture", prop::kPicture},  {"DisabledPicture", prop::kPicture},
    {"TransparentColor", prop::kColour},
};
constexpr int32_t kWindowBackColor = 2;  // the window type's own property 10

// The colour of the window that holds the button; button face for the
// system default or when the window cannot be found.
COLORREF HoldingWindowColour(uint32_t windowId) {
    windows::Unit* frame = windows::FindLiveUnit(windowId, 0);
    if (!frame) return GetSysColor(COLOR_BTNFACE);
    uint32_t colour = static_cast<uint32_t>(frame->GetProperty(kWindowBackColor).number);
    return colour == kNoTransparentColour ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour & 0xFFFFFF);
}

class PicBtnUnit final : public windows::Unit {
public:
    explicit PicBtnUnit(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        std::optional<PicBtnForm> form = ParsePicBtnForm(std::span<const uint8_t>(p.data, p.length));
        if (!form) return false;
        PicBtnCreate c;
        c.parent = p.parent;
        c.left = p.left;
        c.top = p.top;
        c.width = p.width;
        c.height = p.height;
        c.style = p.style;
        c.controlId = p.controlId;
        c.background = HoldingWindowColour(p.windowId);
        const uint32_t windowId = p.windowId, unitId = p.unitId;
        button_ = PicBtn::Create(c, *form, [windowId, unitId] { windows::RaiseEvent(windowId, unitId, 0); });
        if (!button_) return false;
        if (const wt::UnitAccess* a = windows::FindUnitAccess(windowId, unitId)) button_->SetAccess(a->role, a->name);
        hwnd_ = button_->Handle();
        return true;
    }

    int SetProperty(int32_t index, const PropertyValue& v) override {
        switch (index) {
        case 0: button_->SetMode(v.Int()); break;
        case 1: button_->SetSelected(v.Bool()); break;
        case 2:
        case 3:
        case 4:
        case 5: button_->SetPicture(index - 2, v.bytes); break;
        case 6: button_->SetTransparentColour(static_cast<uint32_t>(v.number)); break;
        default: break;
        }
        return 0;
    }

    PropertyValue GetProperty(int32_t index) override {
        switch (index) {
        case 0: return PropertyValue::Of(button_->Mode());
        case 1: return PropertyValue::Of(button_->Selected());
        case 2:
        case 3:
        case 4:
        case 5: return PropertyValue::OfBytes(button_->Picture(index - 2));
        case 6: return PropertyValue::Of(button_->TransparentColour());
        default: return {};
        }
    }

    std::string CurrentData() override {
        std::vector<uint8_t> data = WritePicBtnForm(button_->Form());
        return std::string(data.begin(), data.end());
    }

private:
    std::unique_ptr<PicBtn> button_;
};

windows::Unit* Create(const windows::CreateParams& p) {
    auto unit = std::make_unique<PicBtnUnit>(p);
    return unit->Build(p) ? unit.release() : nullptr;
}

}  // namespace

const windows::TypeDescriptor& PicBtnType() {
    static const windows::TypeDescriptor type{"图形按钮", "PicBtn", 0x80010040,
                                              static_cast<uint32_t>(std::size(kProperties)), kProperties, &Create};
    return type;
}

void RegisterPicBtnType() { windows::RegisterUnitType(kPicBtnTypeId, &PicBtnType()); }

}  // namespace vx::controls
