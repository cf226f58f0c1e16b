#include "runtime/controls/control_unit.h"
#include "runtime/controls/translabel/translabel_unit.h"

#include <cstring>

#include "runtime/controls/translabel/translabel.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;
namespace prop = windows::prop;

namespace idx = wt::property::translabel;

constexpr windows::IndexedProperty kNamedProperties[] = {
    {idx::kCaption, {"Caption", prop::kText}},
    {idx::kEffect, {"Effect", prop::kPick}},
    {idx::kFont, {"Font", prop::kFont}},
    {idx::kTextColor, {"TextColor", prop::kColour}},
    {idx::kAlignment, {"Alignment", prop::kPick}},
    {idx::kWordWrap, {"WordWrap", prop::kLogical}},
    {idx::kVerticalAlignment, {"VerticalAlignment", prop::kPick}},
};
constexpr auto kProperties = windows::PropertyTable<idx::kCount>(kNamedProperties);

class TransLabelUnit final : public windows::Unit {
public:
    explicit TransLabelUnit(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        std::optional<TransLabelForm> form = ParseTransLabelForm(std::span<const uint8_t>(p.data, p.length));
        if (!form) return false;
        TransLabelCreate c = PlacedAs<TransLabelCreate>(p);
        label_ = TransLabel::Create(c, *form);
        if (!label_) return false;
        if (const wt::UnitAccess* a = windows::FindUnitAccess(p.windowId, p.unitId)) label_->SetAccessRole(a->role);
        hwnd_ = label_->Handle();
        return true;
    }

    int SetProperty(int32_t i, const PropertyValue& v) override {
        switch (i) {
        case idx::kCaption: label_->SetCaption(v.bytes); break;
        case idx::kEffect: label_->SetEffect(v.Int()); break;
        case idx::kFont:
            label_->SetFont(v.hasFont ? std::string(reinterpret_cast<const char*>(&v.font), sizeof v.font)
                                      : std::string());
            break;
        case idx::kTextColor: label_->SetTextColour(static_cast<uint32_t>(v.number)); break;
        case idx::kAlignment: label_->SetAlignment(v.Int()); break;
        case idx::kWordWrap: label_->SetWordWrap(v.Bool()); break;
        case idx::kVerticalAlignment: label_->SetVerticalAlignment(v.Int()); break;
        default: break;
        }
        return 0;
    }

    PropertyValue GetProperty(int32_t i) override {
        const TransLabelForm& f = label_->Form();
        switch (i) {
        case idx::kCaption: return PropertyValue::OfBytes(f.caption);
        case idx::kEffect: return PropertyValue::Of(f.effect);
        case idx::kFont: {
            PropertyValue v;
            v.bytes = f.font;
            if (f.font.size() == sizeof(LOGFONTA)) {
                std::memcpy(&v.font, f.font.data(), sizeof v.font);
                v.hasFont = true;
            }
            return v;
        }
        case idx::kTextColor: return PropertyValue::Of(f.textColour);
        case idx::kAlignment: return PropertyValue::Of(f.alignment);
        case idx::kWordWrap: return PropertyValue::Of(f.wordWrap);
        case idx::kVerticalAlignment: return PropertyValue::Of(f.verticalAlignment);
        default: return {};
        }
    }

    std::string CurrentData() override {
        std::vector<uint8_t> data = WriteTransLabelForm(label_->Form());
        return std::string(data.begin(), data.end());
    }

private:
    std::unique_ptr<TransLabel> label_;
};

}  // namespace

const windows::TypeDescriptor& TransLabelType() {
    static const windows::TypeDescriptor type{"透明标签",         "TransLabel",
                                              0x00012040,         static_cast<uint32_t>(kProperties.size()),
                                              kProperties.data(), &CreateUnit<TransLabelUnit>};
    return type;
}

void RegisterTransLabelType() { windows::RegisterUnitType(kTransLabelTypeId, &TransLabelType()); }

}  // namespace vx::controls
