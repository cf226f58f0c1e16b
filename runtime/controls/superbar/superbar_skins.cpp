// The multi-function bar's appearance: the parts' image lists and cells,
// which parts show, drawing modes, band, inset, thumb length, text.
// The image-list stream reader is declared only with IStream known.
#include <objidl.h>

#include "runtime/controls/superbar/superbar.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

#include "runtime/controls/superbar/style_pictures.h"
#include "runtime/windows/system/dpi.h"

namespace vx::controls {
namespace {

HIMAGELIST ReadImageList(const std::string& block) {
    std::span<const uint8_t> stream =
        ImageListStream(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(block.data()), block.size()));
    if (stream.empty()) return nullptr;
    IStream* s = SHCreateMemStream(stream.data(), static_cast<UINT>(stream.size()));
    if (!s) return nullptr;
    HIMAGELIST list = ImageList_Read(s);
    s->Release();
    return list;
}

SkinCells BarCells() {
    SkinCells c{};
    for (int state = 0; state < 4; ++state)
        for (int slot = 0; slot < 4; ++slot) c[state][slot] = 4 * state + slot;
    return c;
}

SkinCells ArrowCells(int button) {
    SkinCells c{};
    for (int state = 0; state < 4; ++state) c[state] = {4 * button + state, -1, -1, -1};
    return c;
}

}  // namespace

void SuperBar::ApplyImages(BarGroup group) {
    HIMAGELIST list = ReadImageList(f_.images[group]);
    if (!list) list = MakeStyleImageList(1, group);
    ApplyImageList(group, list);
}

void SuperBar::ApplyImageList(BarGroup group, HIMAGELIST list) {
    // The skins keep the list until they get the new one.
    ImageListHandle owned(list);
    switch (group) {
    case kTrackGroup: parts_[kMain].SetImages(list, BarCells()); break;
    case kFillGroup: parts_[kFill].SetImages(list, BarCells()); break;
    case kThumbGroup: parts_[kThumb].SetImages(list, BarCells()); break;
    case kArrowGroup:
        parts_[kDecrease].SetImages(list, ArrowCells(0));
        parts_[kIncrease].SetImages(list, ArrowCells(1));
        break;
    }
    lists_[group] = std::move(owned);
}

void SuperBar::ApplyVisibility() {
    auto show = [](const SkinWindow& s, bool on) { ShowWindow(s.Handle(), on ? SW_SHOWNA : SW_HIDE); };
    show(parts_[kDecrease], f_.showArrows);
    show(parts_[kIncrease], f_.showArrows);
    show(parts_[kThumb], f_.showThumb);
    show(parts_[kFill], f_.showFill);
}

void SuperBar::ApplyDrawModes() {
    parts_[kMain].SetDrawMode(f_.drawMode[0]);
    parts_[kFill].SetDrawMode(f_.drawMode[1]);
    parts_[kThumb].SetDrawMode(f_.drawMode[2]);
    parts_[kDecrease].SetDrawMode(3);
    parts_[kIncrease].SetDrawMode(3);
}

void SuperBar::ApplyCellSwitches() {
    const Part owners[3] = {kMain, kFill, kThumb};
    for (int i = 0; i < 3; ++i) {
        parts_[owners[i]].SetEndCaps(f_.endCaps[i] != 0);
        parts_[owners[i]].SetCentreMark(f_.centreMark[i] != 0);
    }
}

void SuperBar::ApplyTextColour() {
    HFONT font = font_ ? font_.get() : windows::dpi::DefaultFont(dpi_);
    for (SkinWindow& s : parts_) {
        s.SetFont(font);
        s.SetTextColour(f_.textColour & 0xFFFFFF);
    }
}

void SuperBar::ApplyBand() {
    int band = 0;
    if (f_.band) {
        int arrows = f_.showArrows ? parts_[kDecrease].CellThickness() : 0;
        band = std::max(arrows, parts_[kMain].CellThickness());
    }
    for (Part part : {kMain, kFill, kThumb}) parts_[part].SetBand(band);
}

void SuperBar::ApplyInset() {
    parts_[kMain].SetInset(f_.trackInset && f_.showArrows ? parts_[kDecrease].CellLength() : 0);
}

void SuperBar::ApplyThumbLength() {
    const int cell = parts_[kThumb].CellLength();
    int length = cell > 0 ? cell : 31;
    if (f_.proportionalThumb) {
        int64_t range = int64_t(f_.maximum) - f_.minimum + 1;
        length = static_cast<int>((Length() - 2 * ArrowSpan()) / range);
        length = std::max(length, 2 * cell);
    }
    thumbLength_ = std::max(1, length);
    Place(kThumb, 0, 0, thumbLength_, Thickness(), SWP_NOMOVE);
}

void SuperBar::UpdateArrows() {
    EnableWindow(parts_[kDecrease].Handle(), enabled_ && f_.minimum < f_.position);
    EnableWindow(parts_[kIncrease].Handle(), enabled_ && f_.position < f_.maximum);
}

void SuperBar::UpdatePercent() {
    std::string text;
    if (f_.showPercent) {
        char buffer[32];
        int64_t percent = int64_t(f_.position) * 100 / (int64_t(f_.maximum) - f_.minimum);
        std::snprintf(buffer, sizeof buffer, "%lld%%", static_cast<long long>(percent));
        text = buffer;
    }
    parts_[kMain].SetText(text);
}

}  // namespace vx::controls
