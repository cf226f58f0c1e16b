#include "runtime/controls/superbar/superbar_unit.h"

#include <cstring>

#include "runtime/controls/superbar/superbar.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;
namespace prop = windows::prop;

constexpr uint16_t kEmpty = 0;
// Properties 8 to 67; unnamed slots are empty numbers.
constexpr windows::PropertyDescriptor kProperties[] = {
    {"BarType", prop::kPick},          {"Orientation", prop::kPick},      {"Style", prop::kPick},
    {nullptr, kEmpty},                 {nullptr, kEmpty},                 {"PageStep", prop::kInteger},
    {"LineStep", prop::kInteger},      {"Minimum", prop::kInteger},       {"Maximum", prop::kInteger},
    {"Position", prop::kInteger},      {"ShowPercent", prop::kLogical},   {"TextColor", prop::kColour},
    {"Font", prop::kFont},             {"Interactive", prop::kLogical},   {"FillFollowsThumb", prop::kLogical},
    {"Band", prop::kLogical},          {nullptr, kEmpty},                 {nullptr, kEmpty},
    {nullptr, kEmpty},                 {nullptr, kEmpty},                 {nullptr, kEmpty},
    {nullptr, kEmpty},                 {nullptr, kEmpty},                 {nullptr, kEmpty},
    {nullptr, kEmpty},                 {"ArrowGroup", prop::kText},       {"ShowArrows", prop::kLogical},
    {"ArrowImages", prop::kData},      {nullptr, kEmpty},                 {nullptr, kEmpty},
    {"TrackGroup", prop::kText},       {"Property39", prop::kLogical},    {"TrackImages", prop::kData},
    {"TrackDrawMode", prop::kPick},    {"TrackEndCaps", prop::kLogical},  {nullptr, kEmpty},
    {"TrackCenterMark", prop::kLogical}, {"TrackInset", prop::kLogical},  {nullptr, kEmpty},
    {nullptr, kEmpty},                 {"FillGroup", prop::kText},        {"ShowFill", prop::kLogical},
    {"FillImages", prop::kData},       {"FillDrawMode", prop::kPick},     {"FillEndCaps", prop::kLogical},
    {nullptr, kEmpty},                 {"FillCenterMark", prop::kLogical}, {nullptr, kEmpty},
    {nullptr, kEmpty},                 {nullptr, kEmpty},                 {"ThumbGroup", prop::kText},
    {"ShowThumb", prop::kLogical},     {"ThumbImages", prop::kData},      {"ThumbDrawMode", prop::kPick},
    {"ThumbEndCaps", prop::kLogical},  {nullptr, kEmpty},                 {"ThumbCenterMark", prop::kLogical},
    {"ProportionalThumb", prop::kLogical}, {nullptr, kEmpty},             {nullptr, kEmpty},
};
static_assert(std::size(kProperties) == 60, "properties 8 to 67");
constexpr int32_t kWindowBackColor = 2;  // the window type's own property 10
constexpr int kFontNumber = 20;

COLORREF HoldingWindowColour(uint32_t windowId) {
    windows::Unit* frame = windows::FindLiveUnit(windowId, 0);
    if (!frame) return GetSysColor(COLOR_BTNFACE);
    uint32_t colour = static_cast<uint32_t>(frame->GetProperty(kWindowBackColor).number);
    return colour == 0xFF000000u ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour & 0xFFFFFF);
}

class SuperBarUnit final : public windows::Unit {
public:
    explicit SuperBarUnit(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        std::optional<SuperBarForm> form = ParseSuperBarForm(std::span<const uint8_t>(p.data, p.length));
        if (!form) return false;
        SuperBarCreate c;
        c.parent = p.parent;
        c.left = p.left;
        c.top = p.top;
        c.width = p.width;
        c.height = p.height;
        c.style = p.style;
        c.controlId = p.controlId;
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
        bar_->SetProperty(index + 8, BarValue{v.number, v.bytes});
        return 0;
    }

    PropertyValue GetProperty(int32_t index) override {
        BarValue b = bar_->GetProperty(index + 8);
        PropertyValue v;
        v.number = b.number;
        v.bytes = b.bytes;
        if (index + 8 == kFontNumber && b.bytes.size() == sizeof(LOGFONTA)) {
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

windows::Unit* Create(const windows::CreateParams& p) {
    auto unit = std::make_unique<SuperBarUnit>(p);
    return unit->Build(p) ? unit.release() : nullptr;
}

}  // namespace

const windows::TypeDescriptor& SuperBarType() {
    static const windows::TypeDescriptor type{"多功能条", "SuperBar", 0x80000040,
                                              static_cast<uint32_t>(std::size(kProperties)), kProperties, &Create};
    return type;
}

void RegisterSuperBarType() { windows::RegisterUnitType(kSuperBarTypeId, &SuperBarType()); }

}  // namespace vx::controls
