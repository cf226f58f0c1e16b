// Surfaces, drawing and regions on the real GDI: pictures are drawn into a
// 32-bit DIB section and read back pixel by pixel.
#include "runtime/picture/gdi_owners.h"
#include "runtime/picture/picture_surface.h"
#include "tests/picture/picture_samples.h"
#include "tests/support/allocation_limit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace vx::picture {
namespace {

using namespace samples;

constexpr COLORREF kMagenta = RGB(255, 0, 255);

uint32_t Pack(Rgb c) { return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b; }
uint32_t Pack(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = vx::picture::TopDownBitmapInfo(width, height);
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        old_ = SelectObject(dc_.get(), bitmap_.get());
        for (int i = 0; i < width * height; ++i) bits_[i] = Pack(fill);
    }
    ~Canvas() { SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    uint32_t At(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0xFFFFFF;
    }

private:
    int width_, height_;
    MemoryDc dc_;
    BitmapHandle bitmap_;
    uint32_t* bits_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Pixels of any bitmap as 0xRRGGBB, rows top-down.
std::vector<uint32_t> ReadBitmap(HBITMAP bitmap, int& width, int& height) {
    BITMAP info{};
    GetObject(bitmap, sizeof info, &info);
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO header = vx::picture::TopDownBitmapInfo(width, height);
    std::vector<uint32_t> pixels(size_t(width) * height);
    ScreenDc screen;
    EXPECT_EQ(GetDIBits(screen.get(), bitmap, 0, height, pixels.data(), &header, DIB_RGB_COLORS), height);
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

PictureSurface SurfaceFor(HDC dc, const ByteVector& bytes, COLORREF background = kWhite) {
    auto picture = DecodePicture(bytes.data(), bytes.size());
    EXPECT_TRUE(picture);
    if (!picture) return {};
    auto surface = MakeSurface(dc, *picture, background);
    EXPECT_TRUE(surface);
    return surface ? std::move(*surface) : PictureSurface{};
}

// Draws at (2, 3) at natural size onto grey and compares every pixel.
template <class Expected>
void ExpectDrawn(const char* name, const ByteVector& bytes, uint32_t w, uint32_t h, Expected expected) {
    SCOPED_TRACE(name);
    Canvas canvas(int(w) + 4, int(h) + 6, RGB(90, 90, 90));
    PictureSurface s = SurfaceFor(canvas.dc(), bytes);
    ASSERT_EQ(s.width, int32_t(w));
    ASSERT_EQ(s.height, int32_t(h));
    Draw(s, canvas.dc(), 2, 3, -1, -1, SRCCOPY);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) ASSERT_EQ(canvas.At(int(x) + 2, int(y) + 3), expected(x, y)) << x << "," << y;
    }
    // Nothing outside the picture's own size.
    EXPECT_EQ(canvas.At(1, 3), Pack(RGB(90, 90, 90)));
    EXPECT_EQ(canvas.At(int(w) + 2, int(h) + 2), Pack(RGB(90, 90, 90)));
    EXPECT_EQ(canvas.At(2, int(h) + 3), Pack(RGB(90, 90, 90)));
}

TEST(PictureSurface, EveryKindDrawsItsPixels) {
    const Indexed p8 = Pattern(13, 7, 200, 1);
    auto palette = [](const Indexed& p) {
        return [&p](uint32_t x, uint32_t y) { return Pack(p.palette[p.At(x, y)]); };
    };
    ExpectDrawn("bmp 8", Bmp(p8, 8), 13, 7, palette(p8));
    const Indexed p4 = Pattern(9, 5, 16, 2);
    ExpectDrawn("bmp 4 top-down", Bmp(p4, 4, true), 9, 5, palette(p4));
    const auto tc = TrueColourPattern(11, 6, 3);
    ExpectDrawn("bmp 24", BmpTrue(11, 6, tc, 24), 11, 6, [&](uint32_t x, uint32_t y) { return Pack(tc[y * 11 + x]); });
    const Indexed g = Pattern(10, 9, 64, 4);
    ExpectDrawn("gif", Gif(g, {.interlaced = true}), 10, 9, palette(g));
    const Indexed pc = Pattern(15, 4, 256, 5);
    ExpectDrawn("pcx 256", Pcx(pc, 8), 15, 4, palette(pc));
    const Indexed mono = Pattern(21, 5, 2, 6);
    ExpectDrawn("pcx mono", Pcx(mono, 1), 21, 5,
                [&](uint32_t x, uint32_t y) { return mono.At(x, y) ? 0xFFFFFFu : 0u; });
    std::vector<Rgba> opaque;
    for (const Rgb& c : tc) opaque.push_back(Rgba{c.r, c.g, c.b, 255});
    ExpectDrawn("png", Png(11, 6, opaque), 11, 6, [&](uint32_t x, uint32_t y) { return Pack(tc[y * 11 + x]); });
    IconImage icon = IconPattern(16, 0, 7);
    ExpectDrawn("ico", Icon({icon}), 16, 16, [&](uint32_t x, uint32_t y) {
        const Rgba& c = icon.pixels[y * 16 + x];
        return Pack(Rgb{c.r, c.g, c.b});
    });
}

TEST(PictureSurface, JpegDrawsWhatItDecodesTo) {
    std::vector<uint8_t> samples(24 * 16 * 3);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t((i / 3 % 24) * 10 + (i % 3) * 40);
    const ByteVector file = Jpeg(24, 16, 3, samples);
    auto record = Decode(Bytes(file.data(), file.size()));
    ASSERT_TRUE(record);
    ExpectDrawn("jpeg", file, 24, 16, [&](uint32_t x, uint32_t y) {
        const uint8_t* px = record->pixels.data() + ((15 - y) * 24 + x) * 3;
        return Pack(Rgb{px[2], px[1], px[0]});
    });
}

TEST(PictureSurface, PngAlphaBlendedOntoTheBackground) {
    // Opaque blue centre, half-transparent green edge, transparent corners.
    std::vector<Rgba> pixels(6 * 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool edge = x == 0 || y == 0 || x == 5 || y == 5;
            const bool corner = (x == 0 || x == 5) && (y == 0 || y == 5);
            pixels[y * 6 + x] = corner ? Rgba{0, 255, 0, 0} : edge ? Rgba{0, 255, 0, 128} : Rgba{0, 0, 255, 255};
        }
    }
    const ByteVector png = Png(6, 6, pixels);
    BitmapHandle bitmap = BytesToBitmap(png.data(), png.size(), RGB(255, 0, 0));
    ASSERT_TRUE(bitmap);
    int w = 0, h = 0;
    const auto got = ReadBitmap(bitmap.get(), w, h);
    ASSERT_EQ(w, 6);
    ASSERT_EQ(h, 6);
    // 128/255 * 255 = 128 green; (1 - 128/255) * 255 = 127 red.
    const uint32_t tinted = Pack(RGB(127, 128, 0));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const Rgba& c = pixels[y * 6 + x];
            const uint32_t want = c.a == 0 ? Pack(RGB(255, 0, 0)) : c.a == 128 ? tinted : Pack(RGB(0, 0, 255));
            ASSERT_EQ(got[y * 6 + x], want) << x << "," << y;
        }
    }
    // On white the same edge is lighter.
    BitmapHandle onWhite = BytesToBitmap(png.data(), png.size());
    EXPECT_EQ(ReadBitmap(onWhite.get(), w, h)[1], Pack(RGB(127, 255, 127)));
}

TEST(PictureSurface, TransparentDrawLeavesTheColourOut) {
    // Magenta frame around a pattern, drawn onto teal.
    const uint32_t w = 9, h = 7;
    std::vector<Rgb> px = TrueColourPattern(w, h, 8);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            if (x == 0 || y == 0 || x == w - 1 || y == h - 1 || (x == 4 && y == 3)) px[y * w + x] = Rgb{255, 0, 255};
        }
    }
    const COLORREF teal = RGB(0, 128, 128);
    Canvas canvas(20, 20, teal);
    SetBkColor(canvas.dc(), RGB(1, 2, 3));
    SetTextColor(canvas.dc(), RGB(4, 5, 6));
    PictureSurface s = SurfaceFor(canvas.dc(), BmpTrue(w, h, px, 24));
    Draw(s, canvas.dc(), 5, 6, -1, -1, -int32_t(kMagenta));
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const Rgb c = px[y * w + x];
            const uint32_t want = c == Rgb{255, 0, 255} ? Pack(teal) : Pack(c);
            ASSERT_EQ(canvas.At(int(x) + 5, int(y) + 6), want) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.At(4, 6), Pack(teal));
    // The target's colours are put back.
    EXPECT_EQ(GetBkColor(canvas.dc()), RGB(1, 2, 3));
    EXPECT_EQ(GetTextColor(canvas.dc()), RGB(4, 5, 6));
}

TEST(PictureSurface, StretchedDrawFillsTheRequestedRectangle) {
    // Four uniform 4 x 4 blocks, so that the centres of the stretched
    // blocks are exact whatever filter the stretch mode applies.
    const Rgb colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<Rgb> px(64);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) px[y * 8 + x] = colours[(y / 4) * 2 + x / 4];
    }
    Canvas canvas(40, 40, RGB(0, 0, 0));
    SetStretchBltMode(canvas.dc(), BLACKONWHITE);
    PictureSurface s = SurfaceFor(canvas.dc(), BmpTrue(8, 8, px, 24));
    Draw(s, canvas.dc(), 0, 0, 32, 24, SRCCOPY);
    EXPECT_EQ(canvas.At(8, 6), Pack(colours[0]));
    EXPECT_EQ(canvas.At(24, 6), Pack(colours[1]));
    EXPECT_EQ(canvas.At(8, 18), Pack(colours[2]));
    EXPECT_EQ(canvas.At(24, 18), Pack(colours[3]));
    EXPECT_EQ(canvas.At(32, 10), 0u);
    EXPECT_EQ(canvas.At(10, 24), 0u);
    EXPECT_EQ(GetStretchBltMode(canvas.dc()), BLACKONWHITE);
    // Raster operations other than a copy are passed on.
    Draw(s, canvas.dc(), 0, 0, 32, 24, DSTINVERT);
    EXPECT_EQ(canvas.At(8, 6), Pack(RGB(0, 255, 255)));
}

void ExpectRegionMatches(HBITMAP bitmap, const std::vector<uint32_t>& pixels, int w, int h, uint32_t key) {
    RegionHandle region = RegionFromBitmap(bitmap, kMagenta);
    ASSERT_TRUE(region);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(PtInRegion(region.get(), x, y) != 0, pixels[y * w + x] != key) << x << "," << y;
        }
    }
    EXPECT_FALSE(PtInRegion(region.get(), w, 0));
    EXPECT_FALSE(PtInRegion(region.get(), 0, h));
}

TEST(PictureRegion, MagentaFramedPictureExcludesExactlyTheMagenta) {
    const uint32_t w = 23, h = 17;
    std::vector<Rgb> px = TrueColourPattern(w, h, 9);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            if (x < 2 || y == 0 || x == w - 1 || y >= h - 3 || (x * y) % 7 == 3) px[y * w + x] = Rgb{255, 0, 255};
        }
    }
    const ByteVector file = BmpTrue(w, h, px, 24);
    BitmapHandle bitmap = BytesToBitmap(file.data(), file.size());
    ASSERT_TRUE(bitmap);
    int bw = 0, bh = 0;
    const auto pixels = ReadBitmap(bitmap.get(), bw, bh);
    ExpectRegionMatches(bitmap.get(), pixels, bw, bh, Pack(kMagenta));
    // The bitmap itself is unchanged, pixel (0, 0) included.
    EXPECT_EQ(ReadBitmap(bitmap.get(), bw, bh), pixels);
}

TEST(PictureRegion, ManyRunsJoinedAcrossBatches) {
    // Alternating columns: 160 runs a row, 16000 rectangles in all.
    const uint32_t w = 320, h = 100;
    std::vector<Rgb> px(w * h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x)
            px[y * w + x] = (x + y) % 2 ? Rgb{255, 0, 255} : Rgb{uint8_t(x), uint8_t(y), 7};
    }
    const ByteVector file = BmpTrue(w, h, px, 24);
    BitmapHandle bitmap = BytesToBitmap(file.data(), file.size());
    ASSERT_TRUE(bitmap);
    int bw = 0, bh = 0;
    const auto pixels = ReadBitmap(bitmap.get(), bw, bh);
    ExpectRegionMatches(bitmap.get(), pixels, bw, bh, Pack(kMagenta));
}

TEST(PictureRegion, AllMagentaGivesAnEmptyRegion) {
    const ByteVector file = BmpTrue(12, 8, std::vector<Rgb>(96, Rgb{255, 0, 255}), 24);
    BitmapHandle bitmap = BytesToBitmap(file.data(), file.size());
    ASSERT_TRUE(bitmap);
    RegionHandle region = RegionFromBitmap(bitmap.get(), kMagenta);
    ASSERT_TRUE(region);
    RECT box;
    EXPECT_EQ(GetRgnBox(region.get(), &box), NULLREGION);
    EXPECT_FALSE(RegionFromBitmap(nullptr, kMagenta));
}

TEST(PictureBitmap, IconsAreDrawnOnWhiteAndCursorsKeepTheirHotSpot) {
    IconImage image = IconPattern(32, 0, 10);
    for (int i = 0; i < 32; ++i) image.pixels[i * 32 + i].a = 0;  // transparent diagonal
    const ByteVector ico = Icon({IconPattern(16, 0, 11), image});
    BitmapHandle bitmap = BytesToBitmap(ico.data(), ico.size(), RGB(255, 0, 0));
    ASSERT_TRUE(bitmap);
    int w = 0, h = 0;
    const auto got = ReadBitmap(bitmap.get(), w, h);
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const Rgba& c = image.pixels[y * 32 + x];
            ASSERT_EQ(got[y * 32 + x], c.a ? Pack(Rgb{c.r, c.g, c.b}) : 0xFFFFFFu) << x << "," << y;
        }
    }

    // Of 16 x 16 and 48 x 48 true-colour images the last is made.
    const IconImage large = IconPattern(48, 0, 14);
    const ByteVector two = Icon({IconPattern(16, 0, 13), large});
    BitmapHandle last = BytesToBitmap(two.data(), two.size());
    ASSERT_TRUE(last);
    const auto lastPixels = ReadBitmap(last.get(), w, h);
    ASSERT_EQ(w, 48);
    ASSERT_EQ(h, 48);
    for (int i = 0; i < 48 * 48; ++i) {
        const Rgba& c = large.pixels[i];
        ASSERT_EQ(lastPixels[i], Pack(Rgb{c.r, c.g, c.b})) << i;
    }

    const ByteVector cur = Icon({IconPattern(32, 0, 12)}, 2);
    auto record = DecodePicture(cur.data(), cur.size());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, Kind::Cur);
    ScreenDc screen;
    auto surface = MakeSurface(screen.get(), *record, kWhite);
    ASSERT_TRUE(surface);
    EXPECT_EQ(record->icon.get(), nullptr);  // moved into the surface
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(surface->icon.get(), &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 3u);
    EXPECT_EQ(info.yHotspot, 5u);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST(PictureBitmap, NoPictureGivesNoBitmap) {
    const uint8_t junk[] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(BytesToBitmap(junk, sizeof junk));
    EXPECT_FALSE(BytesToBitmap(junk, 5));
    const uint8_t text[] = "plain text, not a picture";
    EXPECT_FALSE(BytesToBitmap(text, sizeof text));
}

// A full heap gives no picture (or the picture, where no large C++ block is
// needed any more), never an exception out of a window's paint or property.
TEST(PictureSurface, FullHeapGivesNoPictureAndNoException) {
    const auto tc = TrueColourPattern(64, 64, 9);
    std::vector<Rgba> opaque;
    for (const Rgb& c : tc) opaque.push_back(Rgba{c.r, c.g, c.b, 255});
    const ByteVector png = Png(64, 64, opaque), bmp = BmpTrue(64, 64, tc, 24), gif = Gif(Pattern(64, 64, 256, 3));
    auto pngPicture = DecodePicture(png.data(), png.size()), bmpPicture = DecodePicture(bmp.data(), bmp.size());
    ASSERT_TRUE(pngPicture && bmpPicture);
    ASSERT_GT(gif.size(), 1024u);
    ScreenDc screen;
    test::NewLimit limit(1024);
    std::optional<PictureSurface> surface;
    EXPECT_NO_THROW(surface = MakeSurface(screen.get(), *pngPicture, kWhite));
    EXPECT_TRUE(surface && surface->bitmap);
    EXPECT_NO_THROW(surface = MakeSurface(screen.get(), *bmpPicture, kWhite));
    EXPECT_TRUE(surface && surface->bitmap);
    std::optional<PictureData> decoded = PictureData{};
    EXPECT_NO_THROW(decoded = DecodePicture(gif.data(), gif.size()));
    EXPECT_FALSE(decoded);
    BitmapHandle bitmap;
    EXPECT_NO_THROW(bitmap = BytesToBitmap(gif.data(), gif.size()));
    EXPECT_FALSE(bitmap);
}

TEST(PictureFile, DetectAndDecodeFromDisk) {
    char dir[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
    const std::string path = std::string(dir) + "vx_picture_file_test.gif";
    const Indexed p = Pattern(7, 5, 4, 13);
    const ByteVector gif = Gif(p);
    auto write = [&](const uint8_t* data, size_t n) {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        WriteFile(f, data, DWORD(n), &done, nullptr);
        CloseHandle(f);
    };
    write(gif.data(), gif.size());
    EXPECT_EQ(DetectFile(path.c_str()), Kind::Gif);
    auto d = DecodeFile(path.c_str());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->kind, Kind::Gif);
    EXPECT_EQ(d->width, 7);
    EXPECT_EQ(std::memcmp(d->pixels.data() + kDibPixelOffset, p.index.data(), 7), 0);

    {
        // The file's bytes are not a C++ block: a full C++ heap still reads it.
        const ByteVector bmp = BmpTrue(64, 64, TrueColourPattern(64, 64, 2), 24);
        write(bmp.data(), bmp.size());
        test::NewLimit limit(1024);
        EXPECT_NO_THROW(d = DecodeFile(path.c_str()));
        EXPECT_TRUE(d && d->kind == Kind::Bmp);
    }

    write(gif.data(), 7);  // fewer than 8 bytes
    EXPECT_EQ(DetectFile(path.c_str()), Kind::None);
    EXPECT_FALSE(DecodeFile(path.c_str()));
    DeleteFileA(path.c_str());
    EXPECT_EQ(DetectFile(path.c_str()), Kind::None);
    EXPECT_FALSE(DecodeFile(path.c_str()));
}

}  // namespace
}  // namespace vx::picture
