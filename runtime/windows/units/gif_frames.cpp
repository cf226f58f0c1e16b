#include "runtime/windows/units/gif_frames.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace vx::windows::gif {
namespace {

constexpr int kMaxSide = 4096;
constexpr size_t kMaxTotalPixels = size_t(64) << 20;  // over all frames
constexpr int kMaxCodes = 4096;

class Cursor {
public:
    Cursor(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool Has(size_t k) const { return k <= n_ - pos_; }
    uint8_t Byte() { return Has(1) ? p_[pos_++] : (failed_ = true, 0); }
    uint16_t Word() {
        uint16_t lo = Byte();
        return static_cast<uint16_t>(lo | Byte() << 8);
    }
    const uint8_t* Take(size_t k) {
        if (!Has(k)) {
            failed_ = true;
            return nullptr;
        }
        const uint8_t* at = p_ + pos_;
        pos_ += k;
        return at;
    }
    // Concatenated data sub-blocks up to the zero-length terminator.
    std::vector<uint8_t> SubBlocks() {
        std::vector<uint8_t> out;
        for (;;) {
            uint8_t len = Byte();
            if (failed_ || len == 0) return out;
            const uint8_t* b = Take(len);
            if (!b) return out;
            out.insert(out.end(), b, b + len);
        }
    }
    void SkipSubBlocks() {
        for (;;) {
            uint8_t len = Byte();
            if (failed_ || len == 0) return;
            if (!Take(len)) return;
        }
    }
    bool Failed() const { return failed_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    bool failed_ = false;
};

// GIF LZW: variable code size up to 12 bits, clear and end codes. Returns
// the indices decoded (fewer than wanted when the data ends early).
std::vector<uint8_t> Lzw(const std::vector<uint8_t>& data, int minCodeSize, size_t wanted) {
    std::vector<uint8_t> out;
    if (minCodeSize < 2 || minCodeSize > 8) return out;
    out.reserve(wanted);
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::vector<uint16_t> prefix(kMaxCodes);
    std::vector<uint8_t> suffix(kMaxCodes), stack(kMaxCodes + 1);
    int codeSize = minCodeSize + 1, next = clear + 2, previous = -1;
    uint8_t first = 0;
    uint32_t bits = 0;
    int bitCount = 0;
    size_t at = 0;
    while (out.size() < wanted) {
        while (bitCount < codeSize) {
            if (at >= data.size()) return out;
            bits |= uint32_t(data[at++]) << bitCount;
            bitCount += 8;
        }
        int code = static_cast<int>(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;
        if (code == clear) {
            codeSize = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end) break;
        if (previous < 0) {
            if (code >= clear) return out;  // must start with a literal
            out.push_back(static_cast<uint8_t>(code));
            previous = code;
            first = static_cast<uint8_t>(code);
            continue;
        }
        int in = code, top = 0;
        if (code > next) return out;
        if (code == next) {  // the KwKwK case
            stack[top++] = first;
            code = previous;
        }
        while (code >= clear) {
            if (top >= kMaxCodes) return out;
            stack[top++] = suffix[code];
            code = prefix[code];
        }
        first = static_cast<uint8_t>(code);
        stack[top++] = first;
        while (top > 0 && out.size() < wanted) out.push_back(stack[--top]);
        if (next < kMaxCodes) {
            prefix[next] = static_cast<uint16_t>(previous);
            suffix[next] = first;
            ++next;
            if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        previous = in;
    }
    return out;
}

std::vector<uint8_t> Deinterlace(const std::vector<uint8_t>& in, int w, int h) {
    std::vector<uint8_t> out(in.size());
    static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    size_t row = 0;
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < h; y += step[pass], ++row)
            std::memcpy(&out[size_t(y) * w], &in[row * w], size_t(w));
    return out;
}

Animation Frames(const uint8_t* data, size_t size) {
    Animation a;
    if (!data || size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return a;
    Cursor c(data + 6, size - 6);
    int w = c.Word(), h = c.Word();
    uint8_t packed = c.Byte();
    c.Byte();  // background index
    c.Byte();  // aspect
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return a;
    std::vector<uint32_t> global(256, 0);
    if (packed & 0x80) {
        int n = 2 << (packed & 7);
        const uint8_t* t = c.Take(size_t(n) * 3);
        if (!t) return a;
        for (int i = 0; i < n; ++i) global[i] = 0xFF000000u | uint32_t(t[3 * i]) << 16 | uint32_t(t[3 * i + 1]) << 8 | t[3 * i + 2];
    }
    a.width = w;
    a.height = h;
    std::vector<uint32_t> canvas(size_t(w) * h, 0);
    int disposal = 0, delay = 0, transparent = -1;
    size_t total = 0;
    while (!c.Failed()) {
        uint8_t kind = c.Byte();
        if (c.Failed() || kind == 0x3B) break;
        if (kind == 0x21) {
            uint8_t label = c.Byte();
            if (label == 0xF9) {
                std::vector<uint8_t> gce = c.SubBlocks();
                if (gce.size() >= 4) {
                    disposal = (gce[0] >> 2) & 7;
                    delay = (gce[1] | gce[2] << 8) * 10;
                    transparent = (gce[0] & 1) ? gce[3] : -1;
                }
            } else {
                c.SkipSubBlocks();
            }
            continue;
        }
        if (kind != 0x2C) break;
        int fx = c.Word(), fy = c.Word(), fw = c.Word(), fh = c.Word();
        uint8_t fp = c.Byte();
        std::vector<uint32_t> table = global;
        if (fp & 0x80) {
            int n = 2 << (fp & 7);
            const uint8_t* t = c.Take(size_t(n) * 3);
            if (!t) break;
            std::fill(table.begin(), table.end(), 0);
            for (int i = 0; i < n; ++i)
                table[i] = 0xFF000000u | uint32_t(t[3 * i]) << 16 | uint32_t(t[3 * i + 1]) << 8 | t[3 * i + 2];
        }
        int minCode = c.Byte();
        std::vector<uint8_t> lzw = c.SubBlocks();
        if (c.Failed() || fw <= 0 || fh <= 0 || fw > kMaxSide || fh > kMaxSide) break;
        total += size_t(w) * h;
        if (total > kMaxTotalPixels) break;
        std::vector<uint8_t> indices = Lzw(lzw, minCode, size_t(fw) * fh);
        indices.resize(size_t(fw) * fh, 0);  // short data: the rest index 0
        if (fp & 0x40) indices = Deinterlace(indices, fw, fh);

        std::vector<uint32_t> saved;
        if (disposal == 3) saved = canvas;
        for (int y = 0; y < fh; ++y) {
            if (fy + y >= h) break;
            for (int x = 0; x < fw; ++x) {
                if (fx + x >= w) break;
                uint8_t i = indices[size_t(y) * fw + x];
                if (i == transparent) continue;
                canvas[size_t(fy + y) * w + (fx + x)] = table[i];
            }
        }
        a.frames.push_back(Frame{canvas, delay});
        if (disposal == 2) {
            for (int y = fy; y < std::min(h, fy + fh); ++y)
                for (int x = fx; x < std::min(w, fx + fw); ++x) canvas[size_t(y) * w + x] = 0;
        } else if (disposal == 3) {
            canvas = std::move(saved);
        }
        disposal = 0;
        delay = 0;
        transparent = -1;
    }
    return a;
}

}  // namespace

Animation DecodeFrames(const uint8_t* data, size_t size) {
    try {
        return Frames(data, size);
    } catch (const std::bad_alloc&) {
        return {};  // allocation failure: no animation
    } catch (const std::length_error&) {
        return {};
    }
}

}  // namespace vx::windows::gif
