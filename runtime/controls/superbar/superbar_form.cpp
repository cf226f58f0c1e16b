#include "runtime/controls/superbar/superbar_form.h"

#include <cstring>

#include "runtime/windows/template/type_data.h"

namespace vx::controls {

std::optional<SuperBarForm> ParseSuperBarForm(std::span<const uint8_t> data) {
    SuperBarForm f;
    if (data.empty()) return f;
    wt::ByteReader r(data);
    f.version = r.I32();
    if (r.failed() || f.version > 1) return std::nullopt;
    for (std::string& block : f.images) {
        wt::Bytes b = r.Block();
        block.assign(b.begin(), b.end());
    }
    f.pageStep = r.I32();
    f.lineStep = r.I32();
    f.minimum = r.I32();
    f.maximum = r.I32();
    f.position = r.I32();
    f.showArrows = r.I32();
    f.showThumb = r.I32();
    f.unused[0] = r.I32();
    f.showFill = r.I32();
    for (int g = 0; g < 3; ++g) {
        f.endCaps[g] = r.I32();
        f.unused[1 + g] = r.I32();
        f.centreMark[g] = r.I32();
    }
    f.crossOffset = r.I32();
    for (int i = 4; i < 8; ++i) f.unused[i] = r.I32();
    f.barType = r.I32();
    f.orientation = r.I32();
    f.style = r.I32();
    for (int32_t& mode : f.drawMode) mode = r.I32();
    f.fillFollowsThumb = r.I32();
    f.unused[8] = r.I32();
    f.showPercent = r.I32();
    f.interactive = r.I32();
    f.textColour = r.U32();
    f.proportionalThumb = r.I32();
    wt::Bytes font = r.Take(kLogFontBytes);
    if (r.failed()) return std::nullopt;
    // An all-zero record stands for "no font chosen".
    for (uint8_t b : font)
        if (b != 0) {
            f.font.assign(font.begin(), font.end());
            break;
        }
    if (r.remaining() >= 8) {
        f.band = r.I32();
        f.trackInset = r.I32();
    }
    return f;
}

std::vector<uint8_t> WriteSuperBarForm(const SuperBarForm& f) {
    std::vector<uint8_t> out;
    auto put = [&out](int32_t v) { wt::PutI32(out, v); };
    put(1);
    for (const std::string& block : f.images)
        wt::PutBlock(out, wt::Bytes(reinterpret_cast<const uint8_t*>(block.data()), block.size()));
    for (int32_t v :
         {f.pageStep, f.lineStep, f.minimum, f.maximum, f.position, f.showArrows, f.showThumb, f.unused[0], f.showFill})
        put(v);
    for (int g = 0; g < 3; ++g) {
        put(f.endCaps[g]);
        put(f.unused[1 + g]);
        put(f.centreMark[g]);
    }
    put(f.crossOffset);
    for (int i = 4; i < 8; ++i) put(f.unused[i]);
    for (int32_t v :
         {f.barType, f.orientation, f.style, f.drawMode[0], f.drawMode[1], f.drawMode[2], f.fillFollowsThumb,
          f.unused[8], f.showPercent, f.interactive, static_cast<int32_t>(f.textColour), f.proportionalThumb})
        put(v);
    std::string font = f.font.size() == kLogFontBytes ? f.font : std::string(kLogFontBytes, '\0');
    out.insert(out.end(), font.begin(), font.end());
    put(f.band);
    put(f.trackInset);
    return out;
}

std::span<const uint8_t> ImageListStream(std::span<const uint8_t> block) {
    static constexpr uint8_t kTag[8] = {'M', 'I', 'T', 'L', 0, 0, 0, 0xFF};
    if (block.size() <= 8 || std::memcmp(block.data(), kTag, 4) != 0) return {};
    return block.subspan(8);
}

}  // namespace vx::controls
