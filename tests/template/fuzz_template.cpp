// libFuzzer target: any bytes through the template reader, the type-data
// decoder and the in-place edits; a read that succeeds must write back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"

namespace wt = vx::wt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wt::Template t;
    if (wt::Template::Read(wt::Bytes(data, size), 0x1000, t) != wt::ReadStatus::kOk) return 0;
    for (size_t i = 0; i < t.windowCount(); ++i) {
        wt::TemplateWindow& w = t.window(i);
        for (size_t u = 0; u < w.unitCount(); ++u) {
            (void)w.name(u).size();
            (void)w.menuCaption(u).size();
            for (uint32_t c = 0; c < w.childCount(u); ++c) (void)w.child(u, c);
            for (uint32_t e = 0; e < w.eventCount(u); ++e) (void)w.HandlerAddress(u, w.event(u, e).event);
            std::vector<wt::FieldValue> fields;
            (void)wt::DecodeTypeData(w.typeId(u), w.typeData(u), fields);
            if (w.isMenuItem(u)) {
                w.SetMenuCaption(u, "caption");
            } else {
                w.SetTag(u, "a longer tag than most");
                w.SetMousePointer(u, {});
            }
        }
    }
    std::vector<uint8_t> written = t.Write();
    wt::Template again;
    if (wt::Template::Read(written, 0x1000, again) != wt::ReadStatus::kOk) __builtin_trap();
    return 0;
}
