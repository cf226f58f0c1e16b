// Malformed, truncated and hostile pictures: every one gives none, and
// under the sanitizers none of them reads or writes out of bounds.
#include "runtime/picture/picture_data.h"
#include "tests/picture/picture_samples.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstring>

namespace vx::picture {
namespace {

using namespace samples;

void Set16(ByteVector& v, size_t at, uint32_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void Set32(ByteVector& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

bool Decodes(const ByteVector& v) { return Decode(Bytes(v.data(), v.size())).has_value(); }

TEST(PictureBadInput, ShortBuffersAreNeverPictures) {
    const ByteVector full = Bmp(Pattern(4, 4, 2), 1);
    for (size_t n = 0; n <= 5; ++n) {
        EXPECT_EQ(Detect(full.data(), n), Kind::None);
        EXPECT_FALSE(Decode(Bytes(full.data(), n)));
    }
}

TEST(PictureBadInput, BmJunkIsBmpAndRejected) {
    ByteVector junk{'B', 'M'};
    for (int i = 0; i < 200; ++i) junk.push_back(uint8_t(i * 37 + 11));
    EXPECT_EQ(Detect(junk.data(), junk.size()), Kind::Bmp);
    EXPECT_FALSE(Decodes(junk));
    // A PNG that happens to start "BM" is still handled as a BMP.
    ByteVector png = Png(2, 2, std::vector<Rgba>(4, Rgba{1, 2, 3, 4}));
    png[0] = 'B';
    png[1] = 'M';
    EXPECT_FALSE(Decodes(png));
}

TEST(PictureBadInput, BmpHeaders) {
    const ByteVector good = Bmp(Pattern(6, 5, 16), 8, false, 16);
    ASSERT_TRUE(Decodes(good));
    struct Patch {
        const char* what;
        size_t at;
        uint32_t value;
        bool wide;
    } patches[] = {
        {"zero width", 18, 0, true},
        {"zero height", 22, 0, true},
        {"huge width", 18, 100000, true},
        {"huge height", 22, 0x80000000u, true},  // |INT32_MIN|
        {"width x height overflow", 18, 0x7FFFFFFF, true},
        {"RLE compression", 30, 1, true},
        {"bit fields", 30, 3, true},
        {"16 bits", 28, 16, false},
        {"2 bits", 28, 2, false},
        {"header size below 40", 14, 12, true},
        {"header size past the end", 14, 5000, true},
        {"pixel offset inside the colour table", 10, 54 + 16 * 4 - 1, true},
        {"pixel offset past the end", 10, 5000, true},
        {"colour count above 256", 46, 257, true},
        {"colour table past the end", 46, 250, true},
    };
    for (const auto& p : patches) {
        ByteVector v = good;
        if (p.wide) Set32(v, p.at, p.value);
        else Set16(v, p.at, p.value);
        EXPECT_FALSE(Decodes(v)) << p.what;
    }
    // 8000 x 8000 = 64 M pixels claimed with a few bytes of data.
    ByteVector big = good;
    Set32(big, 18, 8000);
    Set32(big, 22, 8000);
    EXPECT_FALSE(Decodes(big));
}

TEST(PictureBadInput, BmpPaletteIndexPastTheTable) {
    Indexed p = Pattern(6, 5, 4);
    ByteVector ok = Bmp(p, 8, false, 4);
    ASSERT_TRUE(Decodes(ok));
    p.index[17] = 4;  // one past the four colours
    EXPECT_FALSE(Decodes(Bmp(p, 8, false, 4)));
    // With the full 256-entry table the same index is fine.
    EXPECT_TRUE(Decodes(Bmp(p, 8, false, 0)));
}

// Every cut of a valid file into its pixel data gives none; the trailing
// bytes that a decoder may do without are `spare`.
void ExpectTruncationsRejected(const char* name, const ByteVector& file, size_t spare) {
    ASSERT_TRUE(Decodes(file)) << name;
    for (size_t n = 0; n + spare < file.size(); ++n) {
        ByteVector cut(file.begin(), file.begin() + n);  // exact size: ASan sees any overread
        ASSERT_FALSE(Decodes(cut)) << name << " cut to " << n << " of " << file.size();
    }
    for (size_t n = file.size() - spare; n < file.size(); ++n) {
        ByteVector cut(file.begin(), file.begin() + n);
        (void)Decodes(cut);
    }
}

TEST(PictureBadInput, TruncatedFilesOfEveryFormat) {
    std::vector<uint8_t> samples(32 * 16 * 3);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 5);
    std::vector<Rgba> rgba(9 * 7);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = Rgba{uint8_t(i), uint8_t(i * 3), uint8_t(i * 5), uint8_t(i * 4)};
    ExpectTruncationsRejected("bmp 4", Bmp(Pattern(9, 7, 16), 4), 0);
    ExpectTruncationsRejected("bmp 24", BmpTrue(9, 7, TrueColourPattern(9, 7), 24), 0);
    ExpectTruncationsRejected("gif", Gif(Pattern(17, 9, 8)), 1);
    ExpectTruncationsRejected("gif interlaced", Gif(Pattern(17, 9, 8), {.interlaced = true, .control = true}), 1);
    ExpectTruncationsRejected("pcx 8", Pcx(Pattern(9, 7, 256), 8), 769);
    ExpectTruncationsRejected("pcx 1", Pcx(Pattern(19, 7, 2), 1), 0);
    ExpectTruncationsRejected("ico", Icon({IconPattern(16), IconPattern(32, 0, 2)}), 0);
    ExpectTruncationsRejected("cur", Icon({IconPattern(16)}, 2), 0);
    ExpectTruncationsRejected("png", Png(9, 7, rgba), 12);           // IEND
    ExpectTruncationsRejected("jpeg", Jpeg(32, 16, 3, samples), 2);  // EOI
}

// A GIF made of a 2-colour global table and the given 3-bit codes
// (minimum code size 2: clear 4, end 5, first new code 6).
ByteVector GifWithCodes(std::initializer_list<uint32_t> codes, uint16_t w = 2, uint16_t h = 2) {
    ByteVector v{'G', 'I', 'F', '8', '7', 'a'};
    v.insert(v.end(), {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0x80, 0, 0});
    v.insert(v.end(), {0, 0, 0, 255, 255, 255});
    v.insert(v.end(), {0x2C, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0, 2});
    ByteVector data;
    uint32_t bit = 0;
    for (uint32_t code : codes) {
        for (int i = 0; i < 3; ++i, ++bit) {
            if (bit % 8 == 0) data.push_back(0);
            data.back() |= uint8_t(((code >> i) & 1) << (bit % 8));
        }
    }
    v.push_back(uint8_t(data.size()));
    v.insert(v.end(), data.begin(), data.end());
    v.insert(v.end(), {0, 0x3B});
    return v;
}

TEST(PictureBadInput, GifCodeStreams) {
    EXPECT_TRUE(Decodes(GifWithCodes({4, 1, 0, 6, 5})));                // 1 0 | 1 0
    EXPECT_TRUE(Decodes(GifWithCodes({4, 1, 6, 1, 5})));                // 1 | 1 1 (code being defined) | 1
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1, 7, 5})));                  // code past the table
    EXPECT_FALSE(Decodes(GifWithCodes({4, 6, 5})));                     // no string yet to build on
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1, 3, 0, 0, 5})));            // colour 3 of a 2-colour table
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1, 0, 5})));                  // ends after 2 of 4 pixels
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1})));                        // data runs out
    EXPECT_TRUE(Decodes(GifWithCodes({1, 0, 1, 0})));                   // no clear code first, no end
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1, 0, 6}, 0, 2)));            // zero width
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1, 0, 6}, 2, 0)));            // zero height
    EXPECT_FALSE(Decodes(GifWithCodes({4, 1, 0, 6}, 0xFFFF, 0xFFFF)));  // 4 G pixels
}

TEST(PictureBadInput, GifStructure) {
    const ByteVector good = Gif(Pattern(4, 3, 4), {.control = true, .transparentIndex = 1});
    ASSERT_TRUE(Decodes(good));
    // Header 13, global table 4 x 3, control extension 8.
    const size_t image = 13 + 12 + 8;
    ASSERT_EQ(good[image], 0x2C);
    struct Patch {
        const char* what;
        size_t at;
        uint8_t value;
    } patches[] = {
        {"code size 0", image + 10, 0},
        {"code size 12", image + 10, 12},
        {"unknown block", image, 0x99},
        {"trailer before the image", image, 0x3B},
        {"image wider than 16384", image + 6, 0xFF},
        {"extension length past the end", 13 + 12 + 2, 0xFF},
        {"no colour table at all", 10, 0x00},
    };
    for (const auto& p : patches) {
        ByteVector v = good;
        v[p.at] = p.value;
        if (std::string(p.what) == "image wider than 16384") v[p.at + 1] = 0xFF;
        EXPECT_FALSE(Decodes(v)) << p.what;
    }
    ByteVector tooShort(good.begin(), good.begin() + 13);
    EXPECT_FALSE(Decodes(tooShort));
}

TEST(PictureBadInput, PcxHeadersAndRuns) {
    const ByteVector good = Pcx(Pattern(8, 4, 256), 8);
    ASSERT_TRUE(Decodes(good));
    struct Patch {
        const char* what;
        size_t at;
        uint32_t value;
    } patches[] = {
        {"inverted window x", 4, 9},
        {"inverted window y", 6, 9},
        {"huge width from little data", 8, 0xFFFE},
        {"three planes", 65, 3},
        {"line shorter than the width", 66, 7},
        {"zero bytes per line", 66, 0},
        {"4 bits per pixel", 3, 4},
    };
    for (const auto& p : patches) {
        ByteVector v = good;
        if (p.at == 65 || p.at == 3) v[p.at] = uint8_t(p.value);
        else Set16(v, p.at, p.value);
        EXPECT_FALSE(Decodes(v)) << p.what;
    }
}

// A 4 x 2 256-colour PCX with the given data bytes and a palette marker.
ByteVector PcxWithData(std::initializer_list<uint8_t> data) {
    ByteVector v(128, 0);
    v[0] = 0x0A;
    v[1] = 5;
    v[2] = 1;
    v[3] = 8;
    v[8] = 3;
    v[10] = 1;
    v[65] = 1;
    v[66] = 4;
    v.insert(v.end(), data);
    v.push_back(12);
    for (int i = 0; i < 256; ++i) v.insert(v.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    return v;
}

TEST(PictureBadInput, PcxRunsPastTheRowCarryOverAndStopAtTheEnd) {
    // 6 x 7 crosses from row 0 into row 1; 0xFF (63 x 9) runs far past the
    // last row and is cut there; the palette marker still follows.
    for (auto data : {std::vector<uint8_t>{0xC6, 7, 9, 0xC1, 0xC5}, std::vector<uint8_t>{0xC6, 7, 0xFF, 9}}) {
        ByteVector v = PcxWithData({});
        v.insert(v.begin() + 128, data.begin(), data.end());
        auto d = Decode(Bytes(v.data(), v.size()));
        ASSERT_TRUE(d);
        const uint8_t* px = d->pixels.data() + kDibPixelOffset;
        const uint8_t row0[4] = {7, 7, 7, 7};
        const uint8_t row1[4] = {7, 7, 9, data[2] == 0xFF ? uint8_t(9) : uint8_t(0xC5)};
        EXPECT_EQ(std::memcmp(px, row0, 4), 0);
        EXPECT_EQ(std::memcmp(px + 4, row1, 4), 0);
        // The palette was found: colour i is grey i.
        EXPECT_EQ(d->pixels.data()[kDibHeaderSize + 4 * 9], 9);
    }
    // A run code as the last byte has no value to repeat.
    ByteVector cut(128, 0);
    cut[0] = 0x0A;
    cut[1] = 5;
    cut[2] = 1;
    cut[3] = 8;
    cut[65] = 1;
    cut[66] = 2;
    cut[8] = 1;
    cut.insert(cut.end(), {0xC1});
    EXPECT_FALSE(Decodes(cut));
}

TEST(PictureBadInput, IconDirectories) {
    const ByteVector good = Icon({IconPattern(16), IconPattern(32, 0, 2)});
    ASSERT_TRUE(Decodes(good));
    const size_t second = 6 + 16;  // the entry that is chosen
    struct Patch {
        const char* what;
        size_t at;
        uint32_t value;
    } patches[] = {
        {"entry offset past the end", second + 12, uint32_t(good.size())},
        {"entry size past the end", second + 8, uint32_t(good.size())},
        {"entry size and offset wrap", second + 12, 0xFFFFFFF0u},
        {"zero size", second + 8, 0},
        {"more entries than the file holds", 4, 40},
    };
    for (const auto& p : patches) {
        ByteVector v = good;
        if (p.at == 4) Set16(v, p.at, p.value);
        else Set32(v, p.at, p.value);
        EXPECT_FALSE(Decodes(v)) << p.what;
    }
    // The chosen image's own header: dimensions and sizes that do not fit.
    const size_t image = good[second + 12] | (good[second + 13] << 8);
    struct HeaderPatch {
        const char* what;
        size_t at;
        uint32_t value;
    } headers[] = {
        {"zero width", 4, 0},       {"negative height", 8, 0xFFFFFFF0u},
        {"huge width", 4, 0x40000}, {"taller than the entry holds", 8, 200},
        {"compressed", 16, 1},      {"2 bits", 14, 2},
        {"header size 12", 0, 12},
    };
    for (const auto& p : headers) {
        ByteVector v = good;
        if (p.at == 14) Set16(v, image + p.at, p.value);
        else Set32(v, image + p.at, p.value);
        EXPECT_FALSE(Decodes(v)) << p.what;
    }
}

ByteVector PngHeaderOnly(uint32_t width, uint32_t height) {
    ByteVector v{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t x : {width, height}) {
        for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
    }
    v.insert(v.end(), {8, 6, 0, 0, 0});
    const uLong crc = crc32(0, v.data() + 12, 17);
    for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(crc >> s));
    return v;
}

TEST(PictureBadInput, PngHostileSizesAndJunk) {
    EXPECT_FALSE(Decodes(PngHeaderOnly(100000, 100000)));
    EXPECT_FALSE(Decodes(PngHeaderOnly(16385, 1)));
    EXPECT_FALSE(Decodes(PngHeaderOnly(8, 8)));  // no image data
    ByteVector junk{0x89, 'P', 'N', 'G', 0, 0, 0, 0, 1, 2, 3};
    EXPECT_FALSE(Decodes(junk));
}

TEST(PictureBadInput, JpegJunkHostileSizesAndCmyk) {
    ByteVector junk{0xFF, 0xD8};
    for (int i = 0; i < 300; ++i) junk.push_back(uint8_t(i * 13));
    EXPECT_FALSE(Decodes(junk));

    std::vector<uint8_t> grey(16 * 16, 100);
    ByteVector good = Jpeg(16, 16, 1, grey);
    ASSERT_TRUE(Decodes(good));
    // The frame header (FF C0): its height and width fields.
    size_t sof = 2;
    while (sof + 1 < good.size() && !(good[sof] == 0xFF && good[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, good.size());
    ByteVector huge = good;
    huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = 0xFF;  // 65535 x 65535
    EXPECT_FALSE(Decodes(huge));
    ByteVector zero = good;
    zero[sof + 5] = zero[sof + 6] = 0;
    EXPECT_FALSE(Decodes(zero));

    // Four components are not converted: refused.
    std::vector<uint8_t> cmyk(8 * 8 * 4, 77);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = info.image_height = 8;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < 8) {
        JSAMPROW row = &cmyk[size_t(info.next_scanline) * 32];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    ByteVector file(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    EXPECT_EQ(Detect(file.data(), file.size()), Kind::Jpeg);
    EXPECT_FALSE(Decodes(file));
}

}  // namespace
}  // namespace vx::picture
