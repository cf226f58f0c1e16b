// Frames of animated GIFs composed as a viewer shows them.
#include <gtest/gtest.h>

#include "runtime/picture/dib_block.h"
#include "runtime/picture/picture_data.h"
#include "runtime/windows/units/gif_frames.h"
#include "tests/picture/picture_samples.h"
#include "tests/support/allocation_limit.h"
#include "tests/windows/gif_maker.h"

namespace vx::windows::gif {
namespace {

using test::GifFrameSpec;
using test::MakeGif;

constexpr uint8_t kPalette[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

Animation Decode(const std::string& g) { return DecodeFrames(reinterpret_cast<const uint8_t*>(g.data()), g.size()); }

TEST(GifFrames, SecondFrameDrawsOverTheFirstLeavingTransparentPixels) {
    GifFrameSpec first{0, 0, 4, 2, std::vector<uint8_t>(8, 1), 5, 0, -1};
    GifFrameSpec second{1, 1, 2, 1, {2, 0}, 7, 0, 0};
    Animation a = Decode(MakeGif(4, 2, kPalette, {first, second}));
    ASSERT_EQ(a.width, 4);
    ASSERT_EQ(a.height, 2);
    ASSERT_EQ(a.frames.size(), 2u);
    EXPECT_EQ(a.frames[0].delayMs, 50);
    EXPECT_EQ(a.frames[1].delayMs, 70);
    for (uint32_t p : a.frames[0].pixels) EXPECT_EQ(p, kRed);
    const std::vector<uint32_t>& p = a.frames[1].pixels;
    EXPECT_EQ(p[4 + 1], kBlue);
    EXPECT_EQ(p[4 + 2], kRed);  // index 0 is transparent here
    EXPECT_EQ(p[0], kRed);
}

TEST(GifFrames, DisposalToBackgroundAndToPrevious) {
    GifFrameSpec base{0, 0, 2, 1, {1, 1}, 1, 0, -1};
    GifFrameSpec cleared{0, 0, 1, 1, {3}, 1, 2, -1};  // then back to transparent
    GifFrameSpec after{1, 0, 1, 1, {2}, 1, 0, -1};
    Animation a = Decode(MakeGif(2, 1, kPalette, {base, cleared, after}));
    ASSERT_EQ(a.frames.size(), 3u);
    EXPECT_EQ(a.frames[1].pixels[0], kGreen);
    EXPECT_EQ(a.frames[2].pixels[0], 0u);  // disposed to the background
    EXPECT_EQ(a.frames[2].pixels[1], kBlue);

    GifFrameSpec restored{0, 0, 1, 1, {3}, 1, 3, -1};  // then back to red
    a = Decode(MakeGif(2, 1, kPalette, {base, restored, after}));
    ASSERT_EQ(a.frames.size(), 3u);
    EXPECT_EQ(a.frames[2].pixels[0], kRed);
}

// The picture (first image, strict) and the animation (every frame, lenient)
// read through one decoder: on the files of both test writers the first
// frame shows what the picture holds.
std::vector<uint32_t> PictureColours(const std::string& g) {
    std::optional<picture::PictureData> d =
        picture::DecodeGif(picture::Bytes(reinterpret_cast<const uint8_t*>(g.data()), g.size()));
    if (!d) return {};
    std::vector<uint32_t> out;
    const uint8_t* table = picture::DibPalette(d->pixels);
    for (int32_t y = 0; y < d->height; ++y) {
        const uint8_t* row = picture::DibRow(d->pixels, uint32_t(d->width), uint32_t(y));
        for (int32_t x = 0; x < d->width; ++x) {
            const uint8_t* bgr = table + 4 * row[x];
            out.push_back(0xFF000000u | uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0]);
        }
    }
    return out;
}

TEST(GifFrames, FirstFrameIsThePictureOfBothWriters) {
    std::vector<std::string> files;
    GifFrameSpec whole{0, 0, 3, 2, {1, 2, 3, 0, 1, 2}, 5, 0, -1};
    files.push_back(MakeGif(3, 2, kPalette, {whole}));
    files.push_back(MakeGif(3, 2, kPalette, {whole, GifFrameSpec{1, 0, 1, 1, {3}, 5, 0, -1}}));
    using picture::samples::GifOptions;
    const picture::samples::Indexed p = picture::samples::Pattern(23, 19, 16, 3);
    for (const GifOptions& o :
         {GifOptions{}, GifOptions{.interlaced = true}, GifOptions{.localTable = true},
          GifOptions{.clearWhenFull = false}, GifOptions{.minimumCodeSize = 8}, GifOptions{.comment = true}}) {
        const picture::samples::ByteVector g = picture::samples::Gif(p, o);
        files.emplace_back(g.begin(), g.end());
    }
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "file " << i);
        const std::vector<uint32_t> picture = PictureColours(files[i]);
        ASSERT_FALSE(picture.empty());
        Animation a = Decode(files[i]);
        ASSERT_FALSE(a.frames.empty());
        EXPECT_EQ(a.frames[0].pixels, picture);
    }
    // And both against what the sample writer was given.
    const picture::samples::ByteVector g = picture::samples::Gif(p, {.interlaced = true});
    Animation a = Decode(std::string(g.begin(), g.end()));
    ASSERT_EQ(a.frames.size(), 1u);
    for (size_t i = 0; i < p.index.size(); ++i) {
        const picture::samples::Rgb c = p.palette[p.index[i]];
        ASSERT_EQ(a.frames[0].pixels[i], 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b) << i;
    }
}

// Where the picture refuses a damaged image, the animation shows it as far
// as its data goes and the rest as index 0.
TEST(GifFrames, CutCodeStreamShownAsFarAsItGoes) {
    GifFrameSpec whole{0, 0, 4, 1, {2, 3, 1, 2}, 5, 0, -1};
    std::string g = MakeGif(4, 1, kPalette, {whole});
    // The frame's data: clear 2 3 clear 1 2 end, in 3-bit codes, one
    // sub-block of 3 bytes. Keep clear 2 3 and end the stream there.
    const size_t data = g.find('\x2C') + 10 + 1;
    ASSERT_EQ(g[data], 3);
    g[data + 1] = char(4 | 2 << 3 | 3 << 6);
    g[data + 2] = char(3 >> 2 | 5 << 1);  // 3's top bit, then the end code
    g[data + 3] = 0;
    EXPECT_TRUE(PictureColours(g).empty());
    Animation a = Decode(g);
    ASSERT_EQ(a.frames.size(), 1u);
    EXPECT_EQ(a.frames[0].pixels, (std::vector<uint32_t>{kBlue, kGreen, 0xFF000000u, 0xFF000000u}));
}

TEST(GifFrames, DamagedDataKeepsWhatCameBefore) {
    GifFrameSpec first{0, 0, 2, 2, {1, 1, 1, 1}, 1, 0, -1};
    std::string g = MakeGif(2, 2, kPalette, {first, first});
    EXPECT_EQ(Decode(g).frames.size(), 2u);
    for (size_t n = 0; n < g.size(); ++n) {
        Animation a = Decode(g.substr(0, n));
        EXPECT_LE(a.frames.size(), 2u);
        for (const Frame& f : a.frames) EXPECT_EQ(f.pixels.size(), 4u);
    }
    EXPECT_TRUE(Decode("GIF89a").frames.empty());
    EXPECT_TRUE(Decode("not a gif at all").frames.empty());
    // A logical screen beyond the limits is refused outright.
    std::string huge = g;
    huge[6] = '\xff';
    huge[7] = '\x7f';
    EXPECT_TRUE(Decode(huge).frames.empty());
}

}  // namespace
}  // namespace vx::windows::gif

namespace vx::windows::gif {
namespace {

TEST(GifFrames, FullHeapGivesNoAnimationAndNoException) {
    GifFrameSpec frame{0, 0, 256, 256, std::vector<uint8_t>(256 * 256, 1), 5, 0, -1};
    const std::string g = MakeGif(256, 256, kPalette, {frame});
    ASSERT_EQ(Decode(g).frames.size(), 1u);
    test::NewLimit limit(64 * 1024);  // less than one 256 x 256 canvas
    Animation a;
    EXPECT_NO_THROW(a = Decode(g));
    EXPECT_TRUE(a.frames.empty());
}

}  // namespace
}  // namespace vx::windows::gif
