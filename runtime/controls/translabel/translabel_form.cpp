#include "runtime/controls/translabel/translabel_form.h"

#include "runtime/windows/template/type_data.h"

namespace vx::controls {

TransLabelForm::TransLabelForm() : caption("透明标签") {}

std::optional<TransLabelForm> ParseTransLabelForm(std::span<const uint8_t> data) {
    TransLabelForm form;
    if (data.empty()) return form;
    wt::ByteReader r(data);
    form.version = r.I32();
    if (r.failed() || form.version > 1) return std::nullopt;
    form.effect = ClampLabelChoice(r.I32(), 3);
    form.textColour = r.U32();
    form.alignment = ClampLabelChoice(r.I32(), 2);
    form.verticalAlignment = ClampLabelChoice(r.I32(), 2);
    form.wordWrap = r.I32() != 0;
    wt::Bytes font = r.Block();
    form.font.assign(font.begin(), font.end());
    form.caption = std::string(r.CountedText());
    if (r.failed()) return std::nullopt;
    return form;
}

std::vector<uint8_t> WriteTransLabelForm(const TransLabelForm& form) {
    std::vector<uint8_t> out;
    wt::PutI32(out, 1);
    wt::PutI32(out, form.effect);
    wt::PutI32(out, static_cast<int32_t>(form.textColour));
    wt::PutI32(out, form.alignment);
    wt::PutI32(out, form.verticalAlignment);
    wt::PutI32(out, form.wordWrap);
    wt::PutBlock(out, wt::Bytes(reinterpret_cast<const uint8_t*>(form.font.data()), form.font.size()));
    wt::PutCountedText(out, form.caption);
    return out;
}

}  // namespace vx::controls
