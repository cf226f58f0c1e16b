// Pictures written by an independent encoder (ImageMagick's convert, when
// installed) decode to the colours they were made from.
#include "runtime/picture/picture_data.h"
#include "tests/picture/picture_samples.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vx::picture {
namespace {

using namespace samples;
namespace fs = std::filesystem;

class ImageMagick : public testing::Test {
protected:
    void SetUp() override {
        if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
        char pattern[] = "/tmp/vx_picture_im_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // convert <source.ppm> <options> <target>; the target's bytes.
    ByteVector Convert(const Indexed& p, const std::string& options, const std::string& target) {
        const fs::path source = dir_ / "source.ppm";
        {
            std::ofstream out(source, std::ios::binary);
            out << "P6\n" << p.width << " " << p.height << "\n255\n";
            for (uint8_t i : p.index) out.write(reinterpret_cast<const char*>(&p.palette[i]), 3);
        }
        const fs::path file = dir_ / fs::path(target.substr(target.find(':') + 1));
        const std::string command = "convert " + source.string() + " " + options + " " +
                                    target.substr(0, target.find(':') + 1) + file.string() + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(file, std::ios::binary);
        return ByteVector((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    fs::path dir_;
};

Rgb BlockColour(const PictureData& d, uint32_t x, uint32_t y) {
    const uint8_t* b = d.pixels.data();
    const size_t stride = (size_t(d.width) + 3) & ~size_t(3);
    const uint8_t* e = b + kDibHeaderSize + 4 * b[kDibPixelOffset + stride * y + x];
    return Rgb{e[2], e[1], e[0]};
}

Rgb BgrColour(const PictureData& d, uint32_t x, uint32_t y) {
    const uint8_t* px = d.pixels.data() + (size_t(d.height - 1 - y) * d.width + x) * 3;
    return Rgb{px[2], px[1], px[0]};
}

template <class ColourAt>
void ExpectColours(const ByteVector& file, Kind kind, const Indexed& p, ColourAt colour) {
    auto d = Decode(Bytes(file.data(), file.size()));
    ASSERT_TRUE(d);
    ASSERT_EQ(d->kind, kind);
    ASSERT_EQ(d->width, int32_t(p.width));
    ASSERT_EQ(d->height, int32_t(p.height));
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            ASSERT_EQ(colour(*d, x, y), p.palette[p.At(x, y)]) << x << "," << y;
        }
    }
}

TEST_F(ImageMagick, GifPlainAndInterlaced) {
    const Indexed p = Pattern(173, 91, 256, 21);
    ExpectColours(Convert(p, "", "GIF:a.gif"), Kind::Gif, p, BlockColour);
    ExpectColours(Convert(p, "-interlace Line", "GIF:b.gif"), Kind::Gif, p, BlockColour);
    const Indexed few = Pattern(64, 33, 5, 22);
    ExpectColours(Convert(few, "", "GIF:c.gif"), Kind::Gif, few, BlockColour);
}

TEST_F(ImageMagick, PcxWithPalette) {
    const Indexed p = Pattern(77, 41, 200, 23);
    ExpectColours(Convert(p, "-type Palette", "PCX:a.pcx"), Kind::Pcx256, p, BlockColour);
}

TEST_F(ImageMagick, BmpPaletteAndTrueColour) {
    const Indexed p = Pattern(45, 23, 180, 24);
    ExpectColours(Convert(p, "-type Palette -compress None", "BMP3:a.bmp"), Kind::Bmp, p, BgrColour);
    // Run-length compressed BMPs are not accepted.
    const ByteVector rle = Convert(p, "-type Palette -compress RLE", "BMP3:rle.bmp");
    ASSERT_GT(rle.size(), 34u);
    ASSERT_EQ(rle[30], 1);
    EXPECT_FALSE(Decode(Bytes(rle.data(), rle.size())));
    ExpectColours(Convert(p, "-type TrueColor", "BMP3:b.bmp"), Kind::Bmp, p, BgrColour);
    const Indexed sixteen = Pattern(31, 9, 16, 25);
    ExpectColours(Convert(sixteen, "-type Palette -compress None", "BMP3:c.bmp"), Kind::Bmp, sixteen, BgrColour);
}

}  // namespace
}  // namespace vx::picture
