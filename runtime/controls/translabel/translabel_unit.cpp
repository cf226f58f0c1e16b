#include "runtime/controls/translabel/translabel_unit.h"

#include <cstring>

#include "runtime/controls/translabel/translabel.h"
#include "runtime/windows/system/access_table.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;
namespace prop = windows::prop;

constexpr windows::PropertyDescriptor kProperties[] = {
    {"Caption", prop::kText},    {"Effect", prop::kPick},   {"Font", prop::kFont},
    {"TextColor", prop::kColour}, {"Alignment", prop::kPick}, {"WordWrap", prop::kLogical},
    {"VerticalAlignment", prop::kPick},
};

class TransLabelUnit final : public windows::Unit {
public:
    explicit TransLabelUnit(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        std::optional<TransLabelForm> form = ParseTransLabelForm(std::span<const uint8_t>(p.data, p.length));
        if (!form) return false;
        TransLabelCreate c;
        c.parent = p.parent;
        c.left = p.left;
        c.top = p.top;
        c.width = p.width;
        c.height = p.height;
        c.style = p.style;
        c.controlId = p.controlId;
        label_ = TransLabel::Create(c, *form);
        if (!label_) return false;
        if (const wt::UnitAccess* a = windows::FindUnitAccess(p.windowId, p.unitId)) label_->SetAccessRole(a->role);
        hwnd_ = label_->Handle();
        return true;
    }

    int SetProperty(int32_t index, const PropertyValue& v) override {
        switch (index) {
        case 0: label_->SetCaption(v.bytes); break;
        case 1: label_->SetEffect(v.Int()); break;
        case 2:
            label_->SetFont(v.hasFont ? std::string(reinterpret_cast<const char*>(&v.font), sizeof v.font)
                                      : std::string());
            break;
        case 3: label_->SetTextColour(static_cast<uint32_t>(v.number)); break;
        case 4: label_->SetAlignment(v.Int()); break;
        case 5: label_->SetWordWrap(v.Bool()); break;
        case 6: label_->SetVerticalAlignment(v.Int()); break;
        default: break;
        }
        return 0;
    }

    PropertyValue GetProperty(int32_t index) override {
        const TransLabelForm& f = label_->Form();
        switch (index) {
        case 0: return PropertyValue::OfBytes(f.caption);
        case 1: return PropertyValue::Of(f.effect);
        case 2: {
            PropertyValue v;
            v.bytes = f.font;
            if (f.font.size() == sizeof(LOGFONTA)) {
                std::memcpy(&v.font, f.font.data(), sizeof v.font);
                v.hasFont = true;
            }
            return v;
        }
        case 3: return PropertyValue::Of(f.textColour);
        case 4: return PropertyValue::Of(f.alignment);
        case 5: return PropertyValue::Of(f.wordWrap);
        case 6: return PropertyValue::Of(f.verticalAlignment);
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

windows::Unit* Create(const windows::CreateParams& p) {
    auto unit = std::make_unique<TransLabelUnit>(p);
    return unit->Build(p) ? unit.release() : nullptr;
}

}  // namespace

const windows::TypeDescriptor& TransLabelType() {
    static const windows::TypeDescriptor type{"透明标签", "TransLabel", 0x00012040,
                                              static_cast<uint32_t>(std::size(kProperties)), kProperties, &Create};
    return type;
}

void RegisterTransLabelType() { windows::RegisterUnitType(kTransLabelTypeId, &TransLabelType()); }

}  // namespace vx::controls
