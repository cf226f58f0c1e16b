// Frames of animated GIFs composed as a viewer shows them.
#include <gtest/gtest.h>

#include "runtime/windows/units/gif_frames.h"
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
    GifFrameSpec cleared{0, 0, 1, 1, {3}, 1, 2, -1};      // then back to transparent
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
