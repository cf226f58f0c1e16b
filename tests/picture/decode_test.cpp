// Decoding of every format and variant, checked pixel by pixel against the
// pictures the sample writers were given.
#include "runtime/picture/gif_decoder.h"
#include "runtime/picture/picture_data.h"
#include "runtime/picture/resample.h"
#include "tests/picture/picture_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace vx::picture {
namespace {

using namespace samples;

Bytes Span(const ByteVector& v) { return Bytes(v.data(), v.size()); }

// Kinds 1 and 2: blue-green-red, rows bottom-up, no padding.
template <class ColourAt>
void ExpectBgrBottomUp(const PictureData& p, uint32_t w, uint32_t h, ColourAt colour) {
    ASSERT_EQ(p.width, int32_t(w));
    ASSERT_EQ(p.height, int32_t(h));
    ASSERT_EQ(p.pixels.size(), size_t(w) * h * 3);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* px = p.pixels.data() + (size_t(h - 1 - y) * w + x) * 3;
            const Rgb c = colour(x, y);
            ASSERT_EQ((Rgb{px[2], px[1], px[0]}), c) << "at " << x << "," << y;
        }
    }
}

// Kinds 5 and 6: header, colour table, then 8-bit top-down rows.
void ExpectBlock(const PictureData& p, const Indexed& want, uint32_t screenW, uint32_t screenH, uint32_t left = 0,
                 uint32_t top = 0) {
    ASSERT_EQ(p.width, int32_t(screenW));
    ASSERT_EQ(p.height, int32_t(screenH));
    const uint8_t* b = p.pixels.data();
    const size_t stride = (screenW + 3) & ~3u;
    ASSERT_EQ(p.pixels.size(), kDibPixelOffset + stride * screenH);
    int32_t header[3];
    std::memcpy(header, b, sizeof header);
    EXPECT_EQ(header[0], 40);
    EXPECT_EQ(header[1], int32_t(screenW));
    EXPECT_EQ(header[2], -int32_t(screenH));
    EXPECT_EQ(b[14], 8);
    for (size_t i = 0; i < 256; ++i) {
        const uint8_t* e = b + kDibHeaderSize + 4 * i;
        if (i < want.palette.size()) {
            const Rgb& c = want.palette[i];
            ASSERT_EQ((Rgb{e[2], e[1], e[0]}), c) << "colour " << i;
        }
    }
    for (uint32_t y = 0; y < screenH; ++y) {
        for (uint32_t x = 0; x < screenW; ++x) {
            const bool inside = x >= left && y >= top && x - left < want.width && y - top < want.height;
            const uint8_t expected = inside ? want.At(x - left, y - top) : 0;
            ASSERT_EQ(b[kDibPixelOffset + stride * y + x], expected) << "at " << x << "," << y;
        }
    }
}

std::optional<PictureData> DecodeAs(const ByteVector& bytes, Kind kind) {
    EXPECT_EQ(Detect(Span(bytes)), kind);
    auto p = Decode(Span(bytes));
    EXPECT_TRUE(p.has_value());
    if (p) {
        EXPECT_EQ(p->kind, kind);
    }
    return p;
}

TEST(PictureDetect, KindsByFirstBytesInTheStatedOrder) {
    struct Case {
        std::vector<uint8_t> head;
        Kind kind;
    } cases[] = {
        {{'B', 'M', 0, 0, 0, 0}, Kind::Bmp},
        {{0xFF, 0xD8, 0xFF, 0xE0, 0, 0}, Kind::Jpeg},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A}, Kind::Png},
        {{0, 0, 1, 0, 1, 0}, Kind::Ico},
        {{0, 0, 2, 0, 3, 0}, Kind::Cur},
        {{0, 0, 1, 0, 0, 0}, Kind::None},  // no images
        {{0, 0, 3, 0, 1, 0}, Kind::None},
        {{'G', 'I', 'F', '8', '7', 'a'}, Kind::Gif},
        {{'G', 'I', 'F', '8', '9', 'a'}, Kind::Gif},
        {{'G', 'I', 'F', '8', '8', 'a'}, Kind::None},
        {{0x0A, 5, 1, 8, 0, 0}, Kind::Pcx256},
        {{0x0A, 0, 1, 8, 0, 0}, Kind::Pcx256},
        {{0x0A, 6, 1, 8, 0, 0}, Kind::None},
        {{0x0A, 5, 0, 8, 0, 0}, Kind::None},
        {{0x0A, 3, 1, 1, 0, 0}, Kind::PcxMono},
        {{0x0A, 5, 1, 1, 0, 0}, Kind::None},
        {{'B', 'M', 0x89, 'P', 'N', 'G'}, Kind::Bmp},  // BMP is tested first
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Detect(c.head.data(), c.head.size()), c.kind) << int(c.head[0]) << " " << int(c.head[1]);
        // Five bytes or fewer are never a picture.
        EXPECT_EQ(Detect(c.head.data(), 5), Kind::None);
    }
    EXPECT_EQ(Detect(nullptr, 0), Kind::None);
}

TEST(PictureBmp, PaletteDepthsBothOrientations) {
    struct Case {
        int bits;
        uint32_t colours, used;
    } cases[] = {{1, 2, 0}, {4, 16, 0}, {4, 5, 5}, {8, 256, 0}, {8, 40, 40}};
    for (const auto& c : cases) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.colours << " colours, top-down " << topDown);
            const Indexed p = Pattern(13, 7, c.colours, c.bits * 7 + c.used);
            auto d = DecodeAs(Bmp(p, c.bits, topDown, c.used), Kind::Bmp);
            ASSERT_TRUE(d);
            ExpectBgrBottomUp(*d, 13, 7, [&](uint32_t x, uint32_t y) { return p.palette[p.At(x, y)]; });
        }
    }
}

TEST(PictureBmp, TrueColourDepthsBothOrientations) {
    for (int bits : {24, 32}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, top-down " << topDown);
            const auto pixels = TrueColourPattern(11, 6, uint32_t(bits));
            auto d = DecodeAs(BmpTrue(11, 6, pixels, bits, topDown), Kind::Bmp);
            ASSERT_TRUE(d);
            ExpectBgrBottomUp(*d, 11, 6, [&](uint32_t x, uint32_t y) { return pixels[y * 11 + x]; });
        }
    }
}

TEST(PictureGif, VariantsDecodeToTheirIndexes) {
    struct Case {
        const char* name;
        Indexed picture;
        GifOptions options;
    } cases[] = {
        {"global table", Pattern(10, 6, 4, 3), {}},
        {"local table", Pattern(9, 5, 16, 4), {.localTable = true}},
        {"interlaced", Pattern(7, 19, 8, 5), {.interlaced = true}},
        {"one row", Pattern(33, 1, 2, 6), {}},
        {"code size 8 with two colours", Pattern(20, 3, 2, 7), {.minimumCodeSize = 8}},
        {"256 colours, table cleared when full", Pattern(211, 143, 256, 8), {}},
        {"256 colours, full table kept", Pattern(211, 143, 256, 9), {.clearWhenFull = false}},
        {"comment first", Pattern(5, 5, 4, 10), {.comment = true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = DecodeAs(Gif(c.picture, c.options), Kind::Gif);
        ASSERT_TRUE(d);
        ExpectBlock(*d, c.picture, c.picture.width, c.picture.height);
        EXPECT_FALSE(d->gif.present);
    }
}

TEST(PictureGif, GraphicControlFieldsAndTransparentColourKept) {
    const Indexed p = Pattern(6, 4, 4, 11);
    auto d = DecodeAs(Gif(p, {.control = true, .disposal = 2, .delay = 350, .transparentIndex = 3}), Kind::Gif);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->gif.present);
    EXPECT_EQ(d->gif.disposal, 2);
    EXPECT_TRUE(d->gif.transparent);
    EXPECT_EQ(d->gif.delay, 350);
    EXPECT_EQ(d->gif.transparentIndex, 3);
    ExpectBlock(*d, p, 6, 4);  // entry 3 keeps its colour
}

TEST(PictureGif, ImageSmallerThanScreenIsPlacedAndClipped) {
    const Indexed p = Pattern(5, 4, 4, 12);
    auto d = DecodeAs(Gif(p, {.screenWidth = 9, .screenHeight = 8, .left = 3, .top = 2}), Kind::Gif);
    ASSERT_TRUE(d);
    ExpectBlock(*d, p, 9, 8, 3, 2);
    // Partly off the screen: the visible part only.
    auto clipped = DecodeAs(Gif(p, {.screenWidth = 6, .screenHeight = 5, .left = 3, .top = 2}), Kind::Gif);
    ASSERT_TRUE(clipped);
    Indexed visible = p;
    ExpectBlock(*clipped, visible, 6, 5, 3, 2);
}

TEST(PictureGif, LzwRoundTripOfLongRuns) {
    // One colour for 40000 pixels: strings grow to hundreds of bytes.
    Indexed p = Pattern(200, 200, 4, 13);
    std::fill(p.index.begin(), p.index.end(), uint8_t(2));
    p.index[12345] = 1;
    for (bool clear : {true, false}) {
        auto d = DecodeAs(Gif(p, {.clearWhenFull = clear}), Kind::Gif);
        ASSERT_TRUE(d);
        ExpectBlock(*d, p, 200, 200);
    }
}

// The code stream alone, as the animation reads it: how far it went and why
// it stopped, so that a damaged image can be shown as far as it goes.
TEST(PictureGif, LzwDecoderSaysHowFarItGot) {
    Indexed p = Pattern(61, 37, 16, 14);
    for (bool clear : {true, false}) {
        const ByteVector codes = LzwEncode(p.index, 4, clear);
        std::vector<uint8_t> out(p.index.size(), 0xEE);
        gif::LzwResult r = gif::DecodeLzw(Span(codes), 4, out);
        EXPECT_EQ(r.end, gif::LzwEnd::kComplete);
        EXPECT_EQ(r.written, p.index.size());
        EXPECT_EQ(out, p.index);

        // Cut short: the indexes before the cut are right and counted.
        std::fill(out.begin(), out.end(), uint8_t(0xEE));
        r = gif::DecodeLzw(Bytes(codes.data(), codes.size() / 2), 4, out);
        EXPECT_EQ(r.end, gif::LzwEnd::kDataEnded);
        ASSERT_GT(r.written, 0u);
        ASSERT_LT(r.written, p.index.size());
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + r.written, p.index.begin()));
        EXPECT_EQ(out[r.written], 0xEE);

        // More wanted than the stream holds: its end code stops it.
        std::vector<uint8_t> more(p.index.size() + 5);
        r = gif::DecodeLzw(Span(codes), 4, more);
        EXPECT_EQ(r.end, gif::LzwEnd::kEndCode);
        EXPECT_EQ(r.written, p.index.size());
    }
    std::vector<uint8_t> out(4);
    // Codes of 3 bits: clear, 1, then 7 (past the table of 6).
    const uint8_t pastTable[] = {uint8_t(4 | 1 << 3 | 7 << 6), 1};
    EXPECT_EQ(gif::DecodeLzw(pastTable, 2, out).end, gif::LzwEnd::kBadCode);
    EXPECT_EQ(gif::DecodeLzw(pastTable, 0, out).end, gif::LzwEnd::kBadCode);
    EXPECT_EQ(gif::DecodeLzw(pastTable, 9, out).end, gif::LzwEnd::kBadCode);
    // The bound that lets a picture refuse before allocating holds for a
    // run of one colour, where every code stands for a long string.
    std::fill(p.index.begin(), p.index.end(), uint8_t(0));
    EXPECT_GE(gif::MostLzwIndexes(LzwEncode(p.index, 4, false).size(), 4), p.index.size());
}

TEST(PicturePcx, TwoHundredFiftySixColours) {
    for (bool across : {false, true}) {
        for (uint32_t w : {13u, 16u, 1u}) {
            SCOPED_TRACE(testing::Message() << "width " << w << " runs across lines " << across);
            const Indexed p = Pattern(w, 9, 256, w + 20);
            auto d = DecodeAs(Pcx(p, 8, across), Kind::Pcx256);
            ASSERT_TRUE(d);
            ExpectBlock(*d, p, w, 9);
        }
    }
}

TEST(PicturePcx, MonochromeRowsAreWordAligned) {
    for (uint32_t w : {21u, 16u, 3u, 40u}) {
        SCOPED_TRACE(testing::Message() << "width " << w);
        const Indexed p = Pattern(w, 5, 2, w);
        auto d = DecodeAs(Pcx(p, 1), Kind::PcxMono);
        ASSERT_TRUE(d);
        ASSERT_EQ(d->width, int32_t(w));
        ASSERT_EQ(d->height, 5);
        const size_t stride = (w + 15) / 16 * 2;
        ASSERT_EQ(d->pixels.size(), stride * 5);
        for (uint32_t y = 0; y < 5; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                const bool bit = (d->pixels.data()[stride * y + x / 8] >> (7 - x % 8)) & 1;
                ASSERT_EQ(bit, p.At(x, y) == 1) << x << "," << y;
            }
        }
    }
}

TEST(PictureIcon, SixteenAndFortyEightTrueColourGiveTheLast) {
    const IconImage small = IconPattern(16, 0, 1), large = IconPattern(48, 0, 2);
    const ByteVector file = Icon({small, large});
    auto d = DecodeAs(file, Kind::Ico);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->width, 48);
    EXPECT_EQ(d->height, 48);
    // The resource is the second image's bytes exactly.
    const ByteVector only = Icon({large});
    const size_t imageAt = 6 + 16;
    ASSERT_EQ(d->pixels.size(), only.size() - imageAt);
    EXPECT_EQ(std::memcmp(d->pixels.data(), only.data() + imageAt, d->pixels.size()), 0);
}

TEST(PictureIcon, FirstThirtyTwoWideWithMoreThanFifteenColoursWins) {
    const std::vector<IconImage> images = {IconPattern(16, 16, 1), IconPattern(32, 15, 2), IconPattern(32, 16, 3),
                                           IconPattern(32, 255, 4), IconPattern(48, 0, 5)};
    auto d = DecodeAs(Icon(images), Kind::Ico);
    ASSERT_TRUE(d);
    ASSERT_EQ(d->width, 32);
    const ByteVector third = Icon({images[2]});
    ASSERT_EQ(d->pixels.size(), third.size() - 22);
    EXPECT_EQ(std::memcmp(d->pixels.data(), third.data() + 22, d->pixels.size()), 0);
}

TEST(PictureIcon, CursorResourceStartsWithItsHotSpot) {
    const IconImage image = IconPattern(32, 0, 6);
    const ByteVector file = Icon({image}, 2);
    auto d = DecodeAs(file, Kind::Cur);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->width, 32);
    EXPECT_EQ(d->height, 32);
    ASSERT_EQ(d->pixels.size(), 4 + file.size() - 22);
    const uint8_t hotSpot[4] = {3, 0, 5, 0};
    EXPECT_EQ(std::memcmp(d->pixels.data(), hotSpot, 4), 0);
    EXPECT_EQ(std::memcmp(d->pixels.data() + 4, file.data() + 22, file.size() - 22), 0);
}

TEST(PicturePng, BgraTopDownWithAlphaKept) {
    std::vector<Rgba> pixels;
    for (uint32_t i = 0; i < 7 * 5; ++i)
        pixels.push_back(Rgba{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3), uint8_t(i * 7 + 1)});
    pixels[0].a = 0;
    pixels[1].a = 255;
    auto d = DecodeAs(Png(7, 5, pixels), Kind::Png);
    ASSERT_TRUE(d);
    ASSERT_EQ(d->width, 7);
    ASSERT_EQ(d->height, 5);
    ASSERT_EQ(d->pixels.size(), 7u * 5 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint8_t* px = d->pixels.data() + 4 * i;
        const Rgba& c = pixels[i];
        // Colours of fully transparent pixels are not kept by PNG writers.
        if (c.a) {
            ASSERT_EQ((Rgb{px[2], px[1], px[0]}), (Rgb{c.r, c.g, c.b})) << i;
        }
        ASSERT_EQ(px[3], c.a) << i;
    }
}

TEST(PicturePng, GreyBecomesOpaqueGreyBgra) {
    std::vector<uint8_t> grey(9 * 4);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 7);
    auto d = DecodeAs(PngGrey(9, 4, grey), Kind::Png);
    ASSERT_TRUE(d);
    for (size_t i = 0; i < grey.size(); ++i) {
        const uint8_t* px = d->pixels.data() + 4 * i;
        ASSERT_EQ(px[0], grey[i]);
        ASSERT_EQ(px[1], grey[i]);
        ASSERT_EQ(px[2], grey[i]);
        ASSERT_EQ(px[3], 255);
    }
}

// The bare library decode, rows top-down as they come.
std::vector<uint8_t> ReferenceJpeg(const ByteVector& bytes, int& components) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    components = info.output_components;
    std::vector<uint8_t> out(size_t(info.output_width) * info.output_height * components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &out[size_t(info.output_scanline) * info.output_width * components];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

TEST(PictureJpeg, ColourRowsBottomUpRedBlueSwapped) {
    // Flat 8 x 8 blocks survive compression almost unchanged.
    const uint32_t w = 24, h = 16;
    const Rgb blocks[6] = {{200, 30, 40}, {20, 180, 60}, {10, 40, 220}, {250, 250, 10}, {0, 0, 0}, {128, 64, 192}};
    std::vector<uint8_t> samples;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const Rgb c = blocks[(y / 8) * 3 + x / 8];
            samples.insert(samples.end(), {c.r, c.g, c.b});
        }
    }
    const ByteVector file = Jpeg(w, h, 3, samples, 100);
    auto d = DecodeAs(file, Kind::Jpeg);
    ASSERT_TRUE(d);
    int components = 0;
    const auto reference = ReferenceJpeg(file, components);
    ASSERT_EQ(components, 3);
    ExpectBgrBottomUp(*d, w, h, [&](uint32_t x, uint32_t y) {
        const uint8_t* r = &reference[(size_t(y) * w + x) * 3];
        return Rgb{r[0], r[1], r[2]};
    });
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* px = d->pixels.data() + (size_t(h - 1 - y) * w + x) * 3;
            const Rgb c = blocks[(y / 8) * 3 + x / 8];
            ASSERT_NEAR(px[2], c.r, 4);
            ASSERT_NEAR(px[1], c.g, 4);
            ASSERT_NEAR(px[0], c.b, 4);
        }
    }
}

TEST(PictureJpeg, GreyDecodesToGreyColourPicture) {
    const uint32_t w = 16, h = 8;
    std::vector<uint8_t> grey(w * h);
    for (uint32_t i = 0; i < w * h; ++i) grey[i] = (i % w) < 8 ? 60 : 190;
    const ByteVector file = Jpeg(w, h, 1, grey, 100);
    auto d = DecodeAs(file, Kind::Jpeg);
    ASSERT_TRUE(d);
    int components = 0;
    const auto reference = ReferenceJpeg(file, components);
    ASSERT_EQ(components, 1);
    ExpectBgrBottomUp(*d, w, h, [&](uint32_t x, uint32_t y) {
        const uint8_t v = reference[size_t(y) * w + x];
        return Rgb{v, v, v};
    });
    const uint8_t* px = d->pixels.data();
    EXPECT_NEAR(px[0], 60, 3);
}

}  // namespace
}  // namespace vx::picture

namespace vx::picture {
namespace {

// Pixels of one colour each, 4 bytes apiece.
std::vector<uint8_t> Pixels(std::initializer_list<uint8_t> values) {
    std::vector<uint8_t> out;
    for (uint8_t v : values) out.insert(out.end(), {v, v, v, 255});
    return out;
}

// Doubling interpolates between neighbours (a pixel-doubled picture would
// repeat 0, 0, 200, 200), with the outer pixels kept.
TEST(PictureResample, DoublingInterpolatesBetweenNeighbours) {
    std::vector<uint8_t> two = Pixels({0, 200});
    std::vector<uint8_t> four = ResamplePixels(two.data(), two.size(), 2, 1, 4, 1);
    ASSERT_EQ(four.size(), 16u);
    EXPECT_EQ(four[0], 0);
    EXPECT_EQ(four[4], 50);
    EXPECT_EQ(four[8], 150);
    EXPECT_EQ(four[12], 200);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(four[i * 4 + 3], 255);  // alpha interpolates too
    // Downwards the same: a 1 x 2 column becomes 0, 50, 150, 200.
    std::vector<uint8_t> column = ResamplePixels(two.data(), two.size(), 1, 2, 1, 4);
    ASSERT_EQ(column.size(), 16u);
    EXPECT_EQ(column[4 + 1], 50);
    EXPECT_EQ(column[8 + 2], 150);
}

// One and a half times: the in-between pixel is a blend, not a copy.
TEST(PictureResample, OneAndAHalfTimesBlends) {
    std::vector<uint8_t> two = Pixels({0, 240});
    std::vector<uint8_t> three = ResamplePixels(two.data(), two.size(), 2, 1, 3, 1);
    ASSERT_EQ(three.size(), 12u);
    EXPECT_EQ(three[0], 0);
    EXPECT_EQ(three[4], 120);
    EXPECT_EQ(three[8], 240);
}

// Shrinking averages what each target pixel covers; the same size copies.
TEST(PictureResample, HalvingAveragesAndSameSizeCopies) {
    std::vector<uint8_t> four = Pixels({0, 100, 200, 40});
    std::vector<uint8_t> two = ResamplePixels(four.data(), four.size(), 4, 1, 2, 1);
    ASSERT_EQ(two.size(), 8u);
    EXPECT_EQ(two[0], 50);
    EXPECT_EQ(two[4], 120);
    EXPECT_EQ(ResamplePixels(four.data(), four.size(), 4, 1, 4, 1), four);
    std::vector<uint8_t> square = Pixels({10, 20, 30, 40});
    std::vector<uint8_t> one = ResamplePixels(square.data(), square.size(), 2, 2, 1, 1);
    ASSERT_EQ(one.size(), 4u);
    EXPECT_EQ(one[0], 25);
}

// With a key colour (magenta), key pixels stay out of every blend: the red
// beside them stays pure red, and where only key pixels are the key stays.
// A doubled 2 + 2 row: target pixels 0-3 lie over the key, 4-7 over red.
TEST(PictureResample, KeyColourNeverBleedsIntoThePicture) {
    std::vector<uint8_t> row;
    for (int i = 0; i < 2; ++i) row.insert(row.end(), {255, 0, 255, 255});  // magenta, as blue-green-red
    for (int i = 0; i < 2; ++i) row.insert(row.end(), {0, 0, 255, 255});    // red
    std::vector<uint8_t> keyed = ResamplePixels(row.data(), row.size(), 4, 1, 8, 1, 0xFF00FFu);
    ASSERT_EQ(keyed.size(), 32u);
    for (int x = 0; x < 8; ++x) {
        SCOPED_TRACE(x);
        const uint8_t* px = &keyed[size_t(x) * 4];
        if (x == 3) continue;  // reaches a red pixel: red, though its cut-away shape drops it
        if (x < 3) {
            EXPECT_EQ(px[0], 255);  // still the key
            EXPECT_EQ(px[1], 0);
            EXPECT_EQ(px[2], 255);
        } else {
            EXPECT_EQ(px[0], 0);  // pure red, nothing of the key
            EXPECT_EQ(px[1], 0);
            EXPECT_EQ(px[2], 255);
        }
    }
    // Without the key the edge blends: the first red pixel has blue in it.
    std::vector<uint8_t> blended = ResamplePixels(row.data(), row.size(), 4, 1, 8, 1);
    EXPECT_GT(blended[4 * 4 + 0], 0);
}

TEST(PictureResample, RefusesEmptySizesAndShortInput) {
    std::vector<uint8_t> four = Pixels({1, 2, 3, 4});
    EXPECT_TRUE(ResamplePixels(four.data(), four.size(), 0, 1, 2, 2).empty());
    EXPECT_TRUE(ResamplePixels(four.data(), four.size(), 2, 2, 0, 2).empty());
    EXPECT_TRUE(ResamplePixels(four.data(), four.size(), 2, 3, 4, 4).empty());  // 6 pixels asked, 4 given
    EXPECT_TRUE(ResamplePixels(nullptr, 0, 1, 1, 2, 2).empty());
}

}  // namespace
}  // namespace vx::picture
