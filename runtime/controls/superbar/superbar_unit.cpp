#include "runtime/controls/control_unit.h"
#include "runtime/controls/superbar/superbar_unit.h"

#include <cstring>

#include "runtime/controls/superbar/superbar.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;
namespace prop = windows::prop;

namespace bar = wt::property::superbar;

// The bar's own properties by index; the indexes left out are empty numbers.
constexpr windows::IndexedProperty kNamedProperties[] = {
    {bar::kBarType, {"BarType", prop::kPick}},
    {bar::kOrientation, {"Orientation", prop::kPick}},
    {bar::kStyle, {"Style", prop::kPick}},
    {bar::kPageStep, {"PageStep", prop::kInteger}},
    {bar::kLineStep, {"LineStep", prop::kInteger}},
    {bar::kMinimum, {"Minimum", prop::kInteger}},
    {bar::kMaximum, {"Maximum", prop::kInteger}},
    {bar::kPosition, {"Position", prop::kInteger}},
    {bar::kShowPercent, {"ShowPercent", prop::kLogical}},
    {bar::kTextColor, {"TextColor", prop::kColour}},
    {bar::kFont, {"Font", prop::kFont}},
    {bar::kInteractive, {"Interactive", prop::kLogical}},
    {bar::kFillFollowsThumb, {"FillFollowsThumb", prop::kLogical}},
    {bar::kBand, {"Band", prop::kLogical}},
    {bar::kArrowGroup, {"ArrowGroup", prop::kText}},
    {bar::kShowArrows, {"ShowArrows", prop::kLogical}},
    {bar::kArrowImages, {"ArrowImages", prop::kData}},
    {bar::kTrackGroup, {"TrackGroup", prop::kText}},
    {bar::kTrackUnused, {"Property39", prop::kLogical}},
    {bar::kTrackImages, {"TrackImages", prop::kData}},
    {bar::kTrackDrawMode, {"TrackDrawMode", prop::kPick}},
    {bar::kTrackEndCaps, {"TrackEndCaps", prop::kLogical}},
    {bar::kTrackCenterMark, {"TrackCenterMark", prop::kLogical}},
    {bar::kTrackInset, {"TrackInset", prop::kLogical}},
    {bar::kFillGroup, {"FillGroup", prop::kText}},
    {bar::kShowFill, {"ShowFill", prop::kLogical}},
    {bar::kFillImages, {"FillImages", prop::kData}},
    {bar::kFillDrawMode, {"FillDrawMode", prop::kPick}},
    {bar::kFillEndCaps, {"FillEndCaps", prop::kLogical}},
    {bar::kFillCenterMark, {"FillCenterMark", prop::kLogical}},
    {bar::kThumbGroup, {"ThumbGroup", prop::kText}},
    {bar::kShowThumb, {"ShowThumb", prop::kLogical}},
    {bar::kThumbImages, {"ThumbImages", prop::kData}},
    {bar::kThumbDrawMode, {"ThumbDrawMode", prop::kPick}},
    {bar::kThumbEndCaps, {"ThumbEndCaps", prop::kLogical}},
    {bar::kThumbCenterMark, {"ThumbCenterMark", prop::kLogical}},
    {bar::kProportionalThumb, {"ProportionalThumb", prop::kLogical}},
};
constexpr auto kProperties = windows::PropertyTable<bar::kCount>(kNamedProperties);

class SuperBarUnit final : public windows::Unit {
public:
    explicit SuperBarUnit(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        std::optional<SuperBarForm> form = ParseSuperBarForm(std::span<const uint8_t>(p.data, p.length));
        if (!form) return false;
        SuperBarCreate c = PlacedAs<SuperBarCreate>(p);
        c.background = HoldingWindowColour(p.windowId);
        const uint32_t windowId = p.windowId, unitId = p.unitId;
        bar_ = SuperBar::Create(c, *form, [windowId, unitId](int event, int32_t* result) {
            int32_t value = 0;
            bool hasResult = false;
            windows::RaiseEvent(windowId, unitId, event, nullptr, 0, &value, &hasResult);
            if (hasResult && result) *result = value;
            return hasResult;
        });
        if (!bar_) return false;
        if (const wt::UnitAccess* a = windows::FindUnitAccess(windowId, unitId)) bar_->SetAccess(a->role, a->name);
        hwnd_ = bar_->Handle();
        return true;
    }

    int SetProperty(int32_t index, const PropertyValue& v) override {
        bar_->SetProperty(wt::property::Number(index), BarValue{v.number, v.bytes});
        return 0;
    }

    PropertyValue GetProperty(int32_t index) override {
        BarValue b = bar_->GetProperty(wt::property::Number(index));
        PropertyValue v;
        v.number = b.number;
        v.bytes = b.bytes;
        if (index == bar::kFont && b.bytes.size() == sizeof(LOGFONTA)) {
            std::memcpy(&v.font, b.bytes.data(), sizeof v.font);
            v.hasFont = true;
        }
        return v;
    }

    std::string CurrentData() override {
        std::vector<uint8_t> data = WriteSuperBarForm(bar_->Form());
        return std::string(data.begin(), data.end());
    }

private:
    std::unique_ptr<SuperBar> bar_;
};

}  // namespace

const windows::TypeDescriptor& SuperBarType() {
    static const windows::TypeDescriptor type{"多功能条",         "SuperBar",
                                              0x80000040,         static_cast<uint32_t>(kProperties.size()),
                                              kProperties.data(), &CreateUnit<SuperBarUnit>};
    return type;
}

void RegisterSuperBarType() { windows::RegisterUnitType(kSuperBarTypeId, &SuperBarType()); }

}  // namespace vx::controls
