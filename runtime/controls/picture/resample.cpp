#include "runtime/controls/picture/resample.h"

#include <algorithm>
#include <cmath>

namespace vx::picture {
namespace {

constexpr int kChannels = 4;

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

}  // namespace

std::vector<uint8_t> ResamplePixels(const uint8_t* source, size_t sourceLength, int width, int height,
                                    int targetWidth, int targetHeight) {
    if (width <= 0 || height <= 0 || targetWidth <= 0 || targetHeight <= 0 || !source) return {};
    const size_t rowBytes = static_cast<size_t>(width) * kChannels;
    if (sourceLength / rowBytes < static_cast<size_t>(height)) return {};
    const auto across = Taps(width, targetWidth);
    const auto down = Taps(height, targetHeight);
    // Across first, into floats, then down.
    std::vector<float> rows(static_cast<size_t>(height) * targetWidth * kChannels);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = source + static_cast<size_t>(y) * rowBytes;
        float* out = &rows[static_cast<size_t>(y) * targetWidth * kChannels];
        for (int x = 0; x < targetWidth; ++x)
            for (const Tap& tap : across[static_cast<size_t>(x)])
                for (int c = 0; c < kChannels; ++c)
                    out[x * kChannels + c] += tap.weight * in[tap.index * kChannels + c];
    }
    std::vector<uint8_t> result(static_cast<size_t>(targetHeight) * targetWidth * kChannels);
    const size_t targetRow = static_cast<size_t>(targetWidth) * kChannels;
    for (int y = 0; y < targetHeight; ++y) {
        uint8_t* out = &result[static_cast<size_t>(y) * targetRow];
        for (size_t i = 0; i < targetRow; ++i) {
            float sum = 0.0f;
            for (const Tap& tap : down[static_cast<size_t>(y)]) sum += tap.weight * rows[tap.index * targetRow + i];
            out[i] = static_cast<uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
        }
    }
    return result;
}

}  // namespace vx::picture
