#include "runtime/picture/resample.h"

#include <algorithm>
#include <cmath>

namespace vx::picture {
namespace {

constexpr int kChannels = 4;
// A pixel on its way: channels weighted by coverage, then the coverage
// (the weight of the pixels that are not the key colour).
constexpr int kCarried = kChannels + 1;

struct Tap {
    int index;
    float weight;
};

// For each target position, the source positions it takes and their
// weights (summing to 1).
std::vector<std::vector<Tap>> Taps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    for (int t = 0; t < to; ++t) {
        std::vector<Tap>& list = taps[static_cast<size_t>(t)];
        if (to >= from) {
            // Centres line up: target pixel t's centre lies at source (t + 0.5) * ratio.
            double at = std::clamp((t + 0.5) * ratio - 0.5, 0.0, static_cast<double>(from - 1));
            int low = static_cast<int>(std::floor(at));
            int high = std::min(low + 1, from - 1);
            float part = static_cast<float>(at - low);
            list.push_back({low, 1.0f - part});
            if (high != low && part > 0.0f) list.push_back({high, part});
        } else {
            // The span [t, t + 1) * ratio of the source, each pixel by how much of it lies inside.
            double begin = t * ratio, end = (t + 1) * ratio;
            for (int s = static_cast<int>(std::floor(begin)); s < end && s < from; ++s) {
                double cover = std::min<double>(s + 1, end) - std::max<double>(s, begin);
                if (cover > 0) list.push_back({s, static_cast<float>(cover / ratio)});
            }
        }
    }
    return taps;
}

bool IsKey(const uint8_t* px, std::optional<uint32_t> key) {
    return key && px[0] == (*key & 0xFF) && px[1] == ((*key >> 8) & 0xFF) && px[2] == ((*key >> 16) & 0xFF);
}

}  // namespace

std::vector<uint8_t> ResamplePixels(const uint8_t* source, size_t sourceLength, int width, int height, int targetWidth,
                                    int targetHeight, std::optional<uint32_t> key) {
    if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0 || !source) return {};
    const size_t rowBytes = static_cast<size_t>(width) * kChannels;
    if (sourceLength / rowBytes < static_cast<size_t>(height)) return {};
    const auto across = Taps(width, targetWidth);
    const auto down = Taps(height, targetHeight);
    // Across first, into weighted sums with their coverage, then down.
    const size_t carriedRow = static_cast<size_t>(targetWidth) * kCarried;
    std::vector<float> rows(static_cast<size_t>(height) * carriedRow);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = source + static_cast<size_t>(y) * rowBytes;
        float* out = &rows[static_cast<size_t>(y) * carriedRow];
        for (int x = 0; x < targetWidth; ++x)
            for (const Tap& tap : across[static_cast<size_t>(x)]) {
                const uint8_t* px = in + tap.index * kChannels;
                if (IsKey(px, key)) continue;
                float* sum = out + x * kCarried;
                for (int c = 0; c < kChannels; ++c) sum[c] += tap.weight * px[c];
                sum[kChannels] += tap.weight;
            }
    }
    std::vector<uint8_t> result(static_cast<size_t>(targetHeight) * targetWidth * kChannels);
    for (int y = 0; y < targetHeight; ++y) {
        uint8_t* out = &result[static_cast<size_t>(y) * targetWidth * kChannels];
        for (int x = 0; x < targetWidth; ++x) {
            float sum[kCarried] = {};
            for (const Tap& tap : down[static_cast<size_t>(y)]) {
                const float* in = &rows[tap.index * carriedRow + static_cast<size_t>(x) * kCarried];
                for (int c = 0; c < kCarried; ++c) sum[c] += tap.weight * in[c];
            }
            uint8_t* px = out + x * kChannels;
            if (sum[kChannels] <= 0.0f) {
                // Only key pixels around: the key colour, opaque.
                px[0] = static_cast<uint8_t>(*key & 0xFF);
                px[1] = static_cast<uint8_t>((*key >> 8) & 0xFF);
                px[2] = static_cast<uint8_t>((*key >> 16) & 0xFF);
                px[3] = 255;
                continue;
            }
            // Weighted by the pixels that are not the key only: no key colour
            // bleeds into a picture's edge.
            for (int c = 0; c < kChannels; ++c)
                px[c] = static_cast<uint8_t>(std::clamp(std::lround(sum[c] / sum[kChannels]), 0L, 255L));
        }
    }
    return result;
}

}  // namespace vx::picture
