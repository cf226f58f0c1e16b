#include "runtime/picture/picture_surface.h"

#include "runtime/picture/resample.h"

#include "runtime/base/byte_reader.h"

#include <cstring>

namespace vx::picture {
namespace {

constexpr DWORD kIconFormatVersion = 0x00030000;

void DestroyIconRef(void* icon) { DestroyIcon(static_cast<HICON>(icon)); }

// Bit depth from the image's bitmap header (0 for a PNG image).
uint16_t IconBits(const PictureData& picture) {
    const size_t at = picture.kind == Kind::Cur ? 4 : 0;
    const Bytes res(picture.pixels.data(), picture.pixels.size());
    if (!Fits(res, at, 16) || res[at] == 0x89) return 0;
    return U16(&res[at + 14]);
}

bool MakeIcon(PictureData& picture) {
    const bool isIcon = picture.kind == Kind::Ico;
    auto* res = picture.pixels.data();
    const auto size = static_cast<DWORD>(picture.pixels.size());
    HICON icon =
        CreateIconFromResourceEx(res, size, isIcon, kIconFormatVersion, picture.width, picture.height, LR_DEFAULTCOLOR);
    if (!icon && IconBits(picture) != 16) {
        icon = CreateIconFromResourceEx(res, size, isIcon, kIconFormatVersion, 0, 0, LR_DEFAULTCOLOR);
    }
    if (!icon) return false;
    picture.icon = IconRef(icon, DestroyIconRef);
    return true;
}

BITMAPINFOHEADER InfoHeader(int32_t width, int32_t height, WORD bits) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    return h;
}

HBITMAP FromDib(HDC dc, const BITMAPINFO* info, const void* bits) {
    return CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
}

// Kinds 1 and 2: 3-byte rows padded to 4 bytes, bottom-up.
HBITMAP BitmapFromBgr(HDC dc, const PictureData& p) {
    const size_t packed = size_t(p.width) * 3, padded = (packed + 3) & ~size_t(3);
    PixelBuffer rows = PixelBuffer::Zeroed(padded * p.height);
    if (rows.empty()) return nullptr;
    for (int32_t y = 0; y < p.height; ++y) std::memcpy(rows.data() + padded * y, p.pixels.data() + packed * y, packed);
    BITMAPINFO info{};
    info.bmiHeader = InfoHeader(p.width, p.height, 24);
    return FromDib(dc, &info, rows.data());
}

// Kinds 5 and 6: the 8-bit block carries its own header and colours.
HBITMAP BitmapFromBlock(HDC dc, const PictureData& p) {
    auto* info = reinterpret_cast<const BITMAPINFO*>(p.pixels.data());
    return FromDib(dc, info, p.pixels.data() + kDibPixelOffset);
}

// A copy compatible with the DC, of the same size.
HBITMAP CompatibleCopy(HDC dc, HBITMAP source, int32_t width, int32_t height) {
    BitmapHandle copy(CreateCompatibleBitmap(dc, width, height));
    MemoryDc from(CreateCompatibleDC(dc)), to(CreateCompatibleDC(dc));
    if (!copy || !from || !to) return nullptr;
    Selection s1(from.get(), source), s2(to.get(), copy.get());
    if (!s1.ok() || !s2.ok() || !BitBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, SRCCOPY)) return nullptr;
    return copy.release();
}

// Kind 8: pixels that are not opaque are blended onto the background,
// result = a/255 * pixel + (1 - a/255) * background per channel, truncated.
HBITMAP BitmapFromBgra(HDC dc, const PictureData& p, COLORREF background) {
    PixelBuffer copy = PixelBuffer::Zeroed(p.pixels.size());
    if (copy.empty()) return nullptr;
    uint8_t* pixels = copy.data();
    std::memcpy(pixels, p.pixels.data(), p.pixels.size());
    const unsigned back[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
    for (size_t i = 0; i + 3 < copy.size(); i += 4) {
        const unsigned a = pixels[i + 3];
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c) {
            const unsigned v = (a * pixels[i + c] + (255 - a) * back[c]) / 255;
            pixels[i + c] = uint8_t(v > 255 ? 255 : v);
        }
    }
    BITMAPINFO info{};
    info.bmiHeader = InfoHeader(p.width, -p.height, 32);
    return FromDib(dc, &info, pixels);
}

}  // namespace

std::optional<PictureData> DecodePicture(Bytes bytes) {
    auto picture = Decode(bytes);
    if (picture && (picture->kind == Kind::Ico || picture->kind == Kind::Cur) && !MakeIcon(*picture)) {
        return std::nullopt;
    }
    return picture;
}

std::optional<PictureSurface> MakeSurface(HDC dc, PictureData& picture, COLORREF background) {
    PictureSurface s;
    s.dc = dc;
    s.kind = picture.kind;
    s.width = picture.width;
    s.height = picture.height;
    switch (picture.kind) {
    case Kind::Ico:
    case Kind::Cur:
        s.icon.reset(static_cast<HICON>(picture.icon.release()));
        if (!s.icon) return std::nullopt;
        return s;
    case Kind::Jpeg:
    case Kind::Bmp: s.bitmap.reset(BitmapFromBgr(dc, picture)); break;
    case Kind::Gif: {
        BitmapHandle decoded(BitmapFromBlock(dc, picture));
        if (decoded) s.bitmap.reset(CompatibleCopy(dc, decoded.get(), picture.width, picture.height));
        break;
    }
    case Kind::Pcx256: s.bitmap.reset(BitmapFromBlock(dc, picture)); break;
    case Kind::PcxMono: s.bitmap.reset(CreateBitmap(picture.width, picture.height, 1, 1, picture.pixels.data())); break;
    case Kind::Png: s.bitmap.reset(BitmapFromBgra(dc, picture, background)); break;
    case Kind::None: break;
    }
    if (!s.bitmap) return std::nullopt;
    return s;
}

void Draw(const PictureSurface& s, HDC target, int x, int y, int width, int height, int32_t operation) {
    if (!target) return;
    if (width == -1) width = s.width;
    if (height == -1) height = s.height;
    int depth;
    {
        ScreenDc screen;
        depth = GetDeviceCaps(screen.get(), BITSPIXEL);
    }
    const int oldMode = SetStretchBltMode(target, depth > 16 ? HALFTONE : COLORONCOLOR);
    POINT oldOrigin{};
    SetBrushOrgEx(target, 0, 0, &oldOrigin);

    if (s.icon) {
        DrawIconEx(target, x, y, s.icon.get(), width, height, 0, nullptr, DI_NORMAL);
    } else if (s.bitmap) {
        MemoryDc source(CreateCompatibleDC(target));
        Selection picture(source.get(), s.bitmap.get());
        if (!picture.ok()) {
        } else if (operation >= 0) {
            StretchBlt(target, x, y, width, height, source.get(), 0, 0, s.width, s.height, DWORD(operation));
        } else {
            // Mask: pixels of the left-out colour white, all others black.
            // XOR picture, AND mask, XOR picture: where the mask is white
            // the target comes back unchanged, elsewhere the picture shows.
            const COLORREF leftOut = COLORREF(-int64_t(operation));
            BitmapHandle maskBitmap(CreateBitmap(s.width, s.height, 1, 1, nullptr));
            MemoryDc mask(CreateCompatibleDC(target));
            Selection maskSelection(mask.get(), maskBitmap.get());
            if (maskSelection.ok()) {
                const COLORREF oldSourceBack = SetBkColor(source.get(), leftOut);
                BitBlt(mask.get(), 0, 0, s.width, s.height, source.get(), 0, 0, SRCCOPY);
                SetBkColor(source.get(), oldSourceBack);
                const COLORREF oldBack = SetBkColor(target, kWhite), oldText = SetTextColor(target, RGB(0, 0, 0));
                StretchBlt(target, x, y, width, height, source.get(), 0, 0, s.width, s.height, SRCINVERT);
                StretchBlt(target, x, y, width, height, mask.get(), 0, 0, s.width, s.height, SRCAND);
                StretchBlt(target, x, y, width, height, source.get(), 0, 0, s.width, s.height, SRCINVERT);
                SetBkColor(target, oldBack);
                SetTextColor(target, oldText);
            }
        }
    }
    SetBrushOrgEx(target, oldOrigin.x, oldOrigin.y, nullptr);
    if (oldMode) SetStretchBltMode(target, oldMode);
}

BitmapHandle ScaleBitmap(HBITMAP source, int width, int height, std::optional<COLORREF> key) {
    BITMAP bm{};
    if (!source || !GetObjectA(source, sizeof bm, &bm) || width <= 0 || height <= 0) return {};
    ScreenDc screen;
    if (bm.bmBitsPixel == 1) {
        // Two colours stay two colours: a mask or a monochrome picture.
        BitmapHandle scaled(CreateBitmap(width, height, 1, 1, nullptr));
        MemoryDc from(CreateCompatibleDC(screen.get())), to(CreateCompatibleDC(screen.get()));
        if (!scaled || !from || !to) return {};
        Selection s1(from.get(), source), s2(to.get(), scaled.get());
        if (!s1.ok() || !s2.ok()) return {};
        SetStretchBltMode(to.get(), COLORONCOLOR);
        StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        return scaled;
    }
    BITMAPINFO info{};
    info.bmiHeader = InfoHeader(bm.bmWidth, -bm.bmHeight, 32);
    PixelBuffer pixels = PixelBuffer::Zeroed(size_t(bm.bmWidth) * size_t(bm.bmHeight) * 4);
    if (pixels.empty() ||
        GetDIBits(screen.get(), source, 0, UINT(bm.bmHeight), pixels.data(), &info, DIB_RGB_COLORS) != bm.bmHeight)
        return {};
    std::optional<uint32_t> rgb;
    if (key) rgb = uint32_t(GetRValue(*key)) << 16 | uint32_t(GetGValue(*key)) << 8 | GetBValue(*key);
    std::vector<uint8_t> scaled =
        ResamplePixels(pixels.data(), pixels.size(), bm.bmWidth, bm.bmHeight, width, height, rgb);
    if (scaled.empty()) return {};
    info.bmiHeader = InfoHeader(width, -height, 32);
    return BitmapHandle(FromDib(screen.get(), &info, scaled.data()));
}

bool ScaleSurface(PictureSurface& surface, int width, int height) {
    if (width == surface.width && height == surface.height) return true;
    if (surface.bitmap) {
        BitmapHandle scaled = ScaleBitmap(surface.bitmap.get(), width, height);
        if (!scaled) return false;
        surface.bitmap = std::move(scaled);
    }
    // An icon is drawn at the size asked for.
    surface.width = width;
    surface.height = height;
    return true;
}

BitmapHandle BytesToBitmap(Bytes bytes, COLORREF background) {
    if (Detect(bytes) == Kind::None) return {};
    auto picture = DecodePicture(bytes);
    if (!picture) return {};
    ScreenDc screen;
    auto surface = MakeSurface(screen.get(), *picture, background);
    picture.reset();
    if (!surface) return {};
    if (!surface->icon) return std::move(surface->bitmap);

    BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), surface->width, surface->height));
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    if (!bitmap || !dc) return {};
    {
        Selection selected(dc.get(), bitmap.get());
        if (!selected.ok()) return {};
        RECT all{0, 0, surface->width, surface->height};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(dc.get(), 0, 0, surface->icon.get(), surface->width, surface->height, 0, nullptr, DI_NORMAL);
    }
    return bitmap;
}

}  // namespace vx::picture
