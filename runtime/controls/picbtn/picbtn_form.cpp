#include "runtime/controls/picbtn/picbtn_form.h"

#include "runtime/windows/template/type_data.h"

namespace vx::controls {

std::optional<PicBtnForm> ParsePicBtnForm(std::span<const uint8_t> data) {
    PicBtnForm form;
    if (data.empty()) return form;
    wt::ByteReader r(data);
    form.version = r.I32();
    if (r.failed() || form.version > 1) return std::nullopt;
    form.mode = ClampChoice(r.I32(), 1);
    form.selected = r.I32() != 0;
    form.transparentColour = r.U32();
    for (std::string& picture : form.pictures) {
        wt::Bytes block = r.Block();
        picture.assign(block.begin(), block.end());
    }
    if (r.failed()) return std::nullopt;
    return form;
}

std::vector<uint8_t> WritePicBtnForm(const PicBtnForm& form) {
    std::vector<uint8_t> out;
    wt::PutI32(out, 1);
    wt::PutI32(out, form.mode);
    wt::PutI32(out, form.selected);
    wt::PutI32(out, static_cast<int32_t>(form.transparentColour));
    for (const std::string& picture : form.pictures)
        wt::PutBlock(out, wt::Bytes(reinterpret_cast<const uint8_t*>(picture.data()), picture.size()));
    return out;
}

}  // namespace vx::controls
