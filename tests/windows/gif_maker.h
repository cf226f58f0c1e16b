// Small GIFs for tests: a 4-colour global palette and frames whose LZW
// stream restarts (clear code) every two pixels, so every code is 3 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vx::test {

struct GifFrameSpec {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indices;  // width x height, values 0..3
    int delayCs = 0;               // hundredths of a second
    int disposal = 0;
    int transparent = -1;
};

inline std::string MakeGif(int width, int height, const uint8_t (&palette)[4][3],
                           const std::vector<GifFrameSpec>& frames) {
    std::string g = "GIF89a";
    auto word = [&](int v) {
        g.push_back(static_cast<char>(v & 0xFF));
        g.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    word(width);
    word(height);
    g.push_back(static_cast<char>(0x80 | 0x01));  // global table of 4 entries
    g.push_back(0);
    g.push_back(0);
    for (const auto& c : palette) g.append(reinterpret_cast<const char*>(c), 3);
    for (const GifFrameSpec& f : frames) {
        g += "\x21\xF9\x04";
        g.push_back(static_cast<char>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)));
        word(f.delayCs);
        g.push_back(static_cast<char>(f.transparent >= 0 ? f.transparent : 0));
        g.push_back(0);
        g.push_back(0x2C);
        word(f.left);
        word(f.top);
        word(f.width);
        word(f.height);
        g.push_back(0);
        g.push_back(2);  // minimum code size: clear 4, end 5, 3-bit codes
        std::vector<int> codes;
        for (size_t i = 0; i < f.indices.size(); ++i) {
            if (i % 2 == 0) codes.push_back(4);
            codes.push_back(f.indices[i]);
        }
        codes.push_back(5);
        std::string bytes;
        uint32_t bits = 0;
        int count = 0;
        for (int code : codes) {
            bits |= uint32_t(code) << count;
            count += 3;
            while (count >= 8) {
                bytes.push_back(static_cast<char>(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        }
        if (count > 0) bytes.push_back(static_cast<char>(bits & 0xFF));
        for (size_t at = 0; at < bytes.size(); at += 255) {
            std::string chunk = bytes.substr(at, 255);
            g.push_back(static_cast<char>(chunk.size()));
            g += chunk;
        }
        g.push_back(0);
    }
    g.push_back(0x3B);
    return g;
}

}  // namespace vx::test
