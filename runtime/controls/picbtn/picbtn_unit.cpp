#include "runtime/controls/control_unit.h"
#include "runtime/controls/picbtn/picbtn_unit.h"

#include "runtime/controls/picbtn/picbtn.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/property_numbers.h"
#include "runtime/windows/template/event_numbers.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;
namespace prop = windows::prop;

namespace idx = wt::property::picbtn;

constexpr windows::IndexedProperty kNamedProperties[] = {
    {idx::kButtonMode, {"ButtonMode", prop::kPick}},
    {idx::kSelected, {"Selected", prop::kLogical}},
    {idx::kNormalPicture, {"NormalPicture", prop::kPicture}},
    {idx::kHoverPicture, {"HoverPicture", prop::kPicture}},
    {idx::kPressedPicture, {"PressedPicture", prop::kPicture}},
    {idx::kDisabledPicture, {"DisabledPicture", prop::kPicture}},
    {idx::kTransparentColor, {"TransparentColor", prop::kColour}},
};
constexpr auto kProperties = windows::PropertyTable<idx::kCount>(kNamedProperties);

class PicBtnUnit final : public windows::Unit {
public:
    explicit PicBtnUnit(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        std::optional<PicBtnForm> form = ParsePicBtnForm(std::span<const uint8_t>(p.data, p.length));
        if (!form) return false;
        PicBtnCreate c = PlacedAs<PicBtnCreate>(p);
        c.background = HoldingWindowColour(p.windowId);
        const uint32_t windowId = p.windowId, unitId = p.unitId;
        button_ = PicBtn::Create(c, *form,
                                 [windowId, unitId] { windows::RaiseEvent(windowId, unitId, wt::event::kClicked); });
        if (!button_) return false;
        if (const wt::UnitAccess* a = windows::FindUnitAccess(windowId, unitId)) button_->SetAccess(a->role, a->name);
        hwnd_ = button_->Handle();
        return true;
    }

    int SetProperty(int32_t i, const PropertyValue& v) override {
        switch (i) {
        case idx::kButtonMode: button_->SetMode(v.Int()); break;
        case idx::kSelected: button_->SetSelected(v.Bool()); break;
        case idx::kNormalPicture:
        case idx::kHoverPicture:
        case idx::kPressedPicture:
        case idx::kDisabledPicture: button_->SetPicture(i - idx::kNormalPicture, v.bytes); break;
        case idx::kTransparentColor: button_->SetTransparentColour(static_cast<uint32_t>(v.number)); break;
        default: break;
        }
        return 0;
    }

    PropertyValue GetProperty(int32_t i) override {
        switch (i) {
        case idx::kButtonMode: return PropertyValue::Of(button_->Mode());
        case idx::kSelected: return PropertyValue::Of(button_->Selected());
        case idx::kNormalPicture:
        case idx::kHoverPicture:
        case idx::kPressedPicture:
        case idx::kDisabledPicture: return PropertyValue::OfBytes(button_->Picture(i - idx::kNormalPicture));
        case idx::kTransparentColor: return PropertyValue::Of(button_->TransparentColour());
        default: return {};
        }
    }

    bool HasClick() override { return true; }
    void Click() override { button_->Click(); }

    std::string CurrentData() override {
        std::vector<uint8_t> data = WritePicBtnForm(button_->Form());
        return std::string(data.begin(), data.end());
    }

private:
    std::unique_ptr<PicBtn> button_;
};

}  // namespace

const windows::TypeDescriptor& PicBtnType() {
    static const windows::TypeDescriptor type{"图形按钮",         "PicBtn",
                                              0x80010040,         static_cast<uint32_t>(kProperties.size()),
                                              kProperties.data(), &CreateUnit<PicBtnUnit>};
    return type;
}

void RegisterPicBtnType() { windows::RegisterUnitType(kPicBtnTypeId, &PicBtnType()); }

}  // namespace vx::controls
