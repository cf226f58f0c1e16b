#include "runtime/zip/zip_unit_type.h"

#include <memory>

#include "runtime/windows/system/events.h"
#include "runtime/zip/extraction.h"
#include "runtime/zip/zip_unit.h"

namespace vx::zip {
namespace {

// A component with events: no stored properties, never shown.
constexpr uint32_t kZipStateFlags = 0x00008040;

class ZipUnitLive final : public windows::Unit {
public:
    explicit ZipUnitLive(const windows::CreateParams& p) : Unit(p) {}

    bool Build(const windows::CreateParams& p) {
        UnitParams u;
        u.style = p.style;
        u.parent = p.parent;
        u.controlId = p.controlId;
        u.left = p.left;
        u.top = p.top;
        u.width = p.width;
        u.height = p.height;
        u.windowId = p.windowId;
        u.unitId = p.unitId;
        zip_ = ZipUnit::Create(u);
        if (!zip_) return false;
        hwnd_ = zip_->Handle();
        return true;
    }

private:
    std::unique_ptr<ZipUnit> zip_;
};

windows::Unit* Create(const windows::CreateParams& p) {
    auto unit = std::make_unique<ZipUnitLive>(p);
    return unit->Build(p) ? unit.release() : nullptr;
}

}  // namespace

const windows::TypeDescriptor& ZipUnitType() {
    static const windows::TypeDescriptor type{kZipUnitTypeName, kZipUnitEnglishName, kZipStateFlags, 0, nullptr,
                                              &Create};
    return type;
}

void RegisterZipUnitType() {
    windows::RegisterUnitType(kZipUnitType, &ZipUnitType());
    SetEventRaiser(&windows::RaiseEvent);
}

}  // namespace vx::zip
