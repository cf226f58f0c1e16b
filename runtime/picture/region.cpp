#include "runtime/picture/gdi_owners.h"
#include "runtime/picture/picture_surface.h"

#include <vector>

namespace vx::picture {
namespace {

constexpr size_t kBatch = 2000;

// Collects one-pixel-high rectangles and joins them into `result` a batch
// at a time.
class RegionBuilder {
public:
    RegionBuilder() : result_(CreateRectRgn(0, 0, 0, 0)) {
        buffer_.resize(sizeof(RGNDATAHEADER) + kBatch * sizeof(RECT));
    }
    bool Add(LONG left, LONG right, LONG y) {
        Rects()[count_++] = RECT{left, y, right, y + 1};
        return count_ < kBatch || Flush();
    }
    bool Flush() {
        if (count_ == 0) return true;
        auto* data = reinterpret_cast<RGNDATA*>(buffer_.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = DWORD(count_);
        data->rdh.nRgnSize = DWORD(count_ * sizeof(RECT));
        RECT bounds = Rects()[0];
        for (size_t i = 1; i < count_; ++i) {
            const RECT& r = Rects()[i];
            bounds.left = r.left < bounds.left ? r.left : bounds.left;
            bounds.right = r.right > bounds.right ? r.right : bounds.right;
            bounds.bottom = r.bottom;
        }
        data->rdh.rcBound = bounds;
        RegionHandle part(ExtCreateRegion(nullptr, DWORD(sizeof(RGNDATAHEADER) + count_ * sizeof(RECT)), data));
        count_ = 0;
        return part && CombineRgn(result_.get(), result_.get(), part.get(), RGN_OR) != ERROR;
    }
    RegionHandle Take() { return std::move(result_); }
    bool ok() const { return static_cast<bool>(result_); }

private:
    RECT* Rects() { return reinterpret_cast<RECT*>(buffer_.data() + sizeof(RGNDATAHEADER)); }
    std::vector<uint8_t> buffer_;
    size_t count_ = 0;
    RegionHandle result_;
};

}  // namespace

RegionHandle RegionFromBitmap(HBITMAP bitmap, COLORREF colour) {
    BITMAP info{};
    if (!bitmap || !GetObject(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0) return {};
    const LONG width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;

    ScreenDc screen;
    MemoryDc source(CreateCompatibleDC(screen.get())), copy(CreateCompatibleDC(screen.get()));
    if (!source || !copy) return {};
    Selection sourceSelection(source.get(), bitmap);
    if (!sourceSelection.ok()) return {};

    // Compare with the colour the bitmap can actually hold.
    const COLORREF saved = GetPixel(source.get(), 0, 0);
    SetPixel(source.get(), 0, 0, colour);
    const COLORREF shown = GetPixel(source.get(), 0, 0);
    SetPixel(source.get(), 0, 0, saved);

    BITMAPINFO header = picture::TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    BitmapHandle pixels(CreateDIBSection(screen.get(), &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!pixels || !bits) return {};
    Selection copySelection(copy.get(), pixels.get());
    if (!copySelection.ok() || !BitBlt(copy.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY)) return {};
    GdiFlush();

    const uint8_t key[3] = {GetBValue(shown), GetGValue(shown), GetRValue(shown)};
    RegionBuilder builder;
    if (!builder.ok()) return {};
    const auto* row = static_cast<const uint8_t*>(bits);
    for (LONG y = 0; y < height; ++y, row += size_t(width) * 4) {
        LONG x = 0;
        while (x < width) {
            auto keyed = [&](LONG at) {
                const uint8_t* p = row + size_t(at) * 4;
                return p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
            };
            while (x < width && keyed(x)) ++x;
            const LONG start = x;
            while (x < width && !keyed(x)) ++x;
            if (x > start && !builder.Add(start, x, y)) return {};
        }
    }
    if (!builder.Flush()) return {};
    return builder.Take();
}

RegionHandle ScaleRegion(HRGN region, int num, int den) {
    if (!region || num <= 0 || den <= 0) return {};
    DWORD size = GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER)) return {};
    std::vector<uint8_t> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (GetRegionData(region, size, data) != size) return {};
    // Each edge scaled on its own: neighbouring rectangles stay joined.
    auto* rects = reinterpret_cast<RECT*>(data->Buffer);
    auto scale = [&](LONG v) { return LONG(MulDiv(v, num, den)); };
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
        rects[i] = RECT{scale(rects[i].left), scale(rects[i].top), scale(rects[i].right), scale(rects[i].bottom)};
    RECT& b = data->rdh.rcBound;
    b = RECT{scale(b.left), scale(b.top), scale(b.right), scale(b.bottom)};
    return RegionHandle(ExtCreateRegion(nullptr, size, data));
}

}  // namespace vx::picture
