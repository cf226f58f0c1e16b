#include "tests/picture/picture_samples.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include <jpeglib.h>
#include <png.h>

namespace vx::picture::samples {
namespace {

void Put16(ByteVector& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void Put32(ByteVector& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
void Set32(ByteVector& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

uint32_t Next(uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 16;
}

void InfoHeader(ByteVector& v, uint32_t width, int32_t height, int bits, uint32_t imageSize, uint32_t used) {
    Put32(v, 40);
    Put32(v, width);
    Put32(v, uint32_t(height));
    Put16(v, 1);
    Put16(v, uint32_t(bits));
    Put32(v, 0);
    Put32(v, imageSize);
    Put32(v, 2835);
    Put32(v, 2835);
    Put32(v, used);
    Put32(v, 0);
}

// Smallest n with 2^(n+1) >= colours.
uint32_t TableBits(size_t colours) {
    uint32_t n = 0;
    while ((2u << n) < colours) ++n;
    return n;
}

class BitWriter {
public:
    void Write(uint32_t code, uint32_t bits) {
        for (uint32_t i = 0; i < bits; ++i) {
            if (used_ == 0) out.push_back(0);
            out.back() |= uint8_t(((code >> i) & 1) << used_);
            used_ = (used_ + 1) & 7;
        }
    }
    ByteVector out;

private:
    uint32_t used_ = 0;
};

}  // namespace

Indexed Pattern(uint32_t width, uint32_t height, uint32_t colours, uint32_t seed) {
    Indexed p;
    p.width = width;
    p.height = height;
    uint32_t state = seed;
    for (uint32_t i = 0; i < colours; ++i) {
        p.palette.push_back(Rgb{uint8_t(Next(state)), uint8_t(Next(state)), uint8_t(Next(state))});
    }
    // Runs of varying length so that RLE and LZW both have work to do.
    p.index.resize(size_t(width) * height);
    uint8_t current = 0;
    for (size_t i = 0; i < p.index.size(); ++i) {
        if (Next(state) % 4 == 0) current = uint8_t(Next(state) % colours);
        p.index[i] = current;
    }
    return p;
}

std::vector<Rgb> TrueColourPattern(uint32_t width, uint32_t height, uint32_t seed) {
    std::vector<Rgb> v(size_t(width) * height);
    uint32_t state = seed;
    for (auto& px : v) px = Rgb{uint8_t(Next(state)), uint8_t(Next(state)), uint8_t(Next(state))};
    return v;
}

ByteVector Bmp(const Indexed& p, int bits, bool topDown, uint32_t colourCount) {
    const uint32_t entries = colourCount ? colourCount : 1u << bits;
    const size_t stride = (size_t(p.width) * bits + 31) / 32 * 4;
    const uint32_t offset = 54 + entries * 4;
    ByteVector v{'B', 'M'};
    Put32(v, uint32_t(offset + stride * p.height));
    Put32(v, 0);
    Put32(v, offset);
    InfoHeader(v, p.width, topDown ? -int32_t(p.height) : int32_t(p.height), bits, uint32_t(stride * p.height),
               colourCount);
    for (uint32_t i = 0; i < entries; ++i) {
        const Rgb c = i < p.palette.size() ? p.palette[i] : Rgb{0, 0, 0};
        v.insert(v.end(), {c.b, c.g, c.r, 0});
    }
    for (uint32_t r = 0; r < p.height; ++r) {
        const uint32_t y = topDown ? r : p.height - 1 - r;
        ByteVector row(stride);
        for (uint32_t x = 0; x < p.width; ++x) {
            const uint32_t bitPos = x * bits;
            row[bitPos / 8] |= uint8_t(p.At(x, y) << (8 - bits - bitPos % 8));
        }
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

ByteVector BmpTrue(uint32_t width, uint32_t height, const std::vector<Rgb>& pixels, int bits, bool topDown) {
    const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
    ByteVector v{'B', 'M'};
    Put32(v, uint32_t(54 + stride * height));
    Put32(v, 0);
    Put32(v, 54);
    InfoHeader(v, width, topDown ? -int32_t(height) : int32_t(height), bits, uint32_t(stride * height), 0);
    for (uint32_t r = 0; r < height; ++r) {
        const uint32_t y = topDown ? r : height - 1 - r;
        ByteVector row(stride);
        for (uint32_t x = 0; x < width; ++x) {
            const Rgb c = pixels[size_t(y) * width + x];
            uint8_t* d = &row[x * (bits / 8)];
            d[0] = c.b;
            d[1] = c.g;
            d[2] = c.r;
            if (bits == 32) d[3] = 0x5A;  // ignored by readers
        }
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

ByteVector LzwEncode(const std::vector<uint8_t>& indexes, uint32_t minimum, bool clearWhenFull) {
    const uint32_t clear = 1u << minimum, end = clear + 1;
    BitWriter w;
    // The decoder's table lags one entry behind ours; the code width is the
    // one the decoder will read with.
    uint32_t decoderNext = clear + 2;
    bool decoderHasPrevious = false;
    auto width = [&] {
        uint32_t b = minimum + 1;
        while (b < 12 && decoderNext >= (1u << b)) ++b;
        return b;
    };
    auto emit = [&](uint32_t code) {
        w.Write(code, width());
        if (code == clear) {
            decoderNext = clear + 2;
            decoderHasPrevious = false;
        } else if (code != end) {
            if (decoderHasPrevious && decoderNext < 4096) ++decoderNext;
            decoderHasPrevious = true;
        }
    };
    std::unordered_map<uint32_t, uint32_t> table;
    uint32_t next = clear + 2;
    emit(clear);
    if (!indexes.empty()) {
        uint32_t current = indexes[0];
        for (size_t i = 1; i < indexes.size(); ++i) {
            const uint32_t key = (current << 8) | indexes[i];
            auto found = table.find(key);
            if (found != table.end()) {
                current = found->second;
                continue;
            }
            emit(current);
            if (next < 4096) table[key] = next++;
            if (next == 4096 && clearWhenFull) {
                emit(clear);
                table.clear();
                next = clear + 2;
            }
            current = indexes[i];
        }
        emit(current);
    }
    emit(end);
    return w.out;
}

ByteVector Gif(const Indexed& p, const GifOptions& o) {
    const uint32_t tableBits = TableBits(p.palette.size());
    const uint32_t entries = 2u << tableBits;
    ByteVector v{'G', 'I', 'F', '8', '9', 'a'};
    Put16(v, o.screenWidth ? o.screenWidth : p.width);
    Put16(v, o.screenHeight ? o.screenHeight : p.height);
    v.push_back(o.localTable ? 0x00 : uint8_t(0x80 | 0x70 | tableBits));
    v.push_back(0);
    v.push_back(0);
    auto table = [&] {
        for (uint32_t i = 0; i < entries; ++i) {
            const Rgb c = i < p.palette.size() ? p.palette[i] : Rgb{0, 0, 0};
            v.insert(v.end(), {c.r, c.g, c.b});
        }
    };
    if (!o.localTable) table();
    if (o.comment) v.insert(v.end(), {0x21, 0xFE, 0x03, 'a', 'b', 'c', 0x00});
    if (o.control) {
        v.insert(v.end(), {0x21, 0xF9, 0x04});
        v.push_back(uint8_t((o.disposal << 2) | (o.transparentIndex >= 0 ? 1 : 0)));
        Put16(v, o.delay);
        v.push_back(uint8_t(o.transparentIndex >= 0 ? o.transparentIndex : 0));
        v.push_back(0);
    }
    v.push_back(0x2C);
    Put16(v, o.left);
    Put16(v, o.top);
    Put16(v, p.width);
    Put16(v, p.height);
    v.push_back(uint8_t((o.localTable ? 0x80 | tableBits : 0) | (o.interlaced ? 0x40 : 0)));
    if (o.localTable) table();

    std::vector<uint8_t> order;
    if (o.interlaced) {
        static constexpr uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (uint32_t y = kStart[pass]; y < p.height; y += kStep[pass]) {
                order.insert(order.end(), p.index.begin() + size_t(y) * p.width,
                             p.index.begin() + size_t(y + 1) * p.width);
            }
        }
    } else {
        order = p.index;
    }
    const uint32_t minimum = o.minimumCodeSize ? o.minimumCodeSize : std::max<uint32_t>(2, tableBits + 1);
    v.push_back(uint8_t(minimum));
    const ByteVector codes = LzwEncode(order, minimum, o.clearWhenFull);
    for (size_t at = 0; at < codes.size(); at += 255) {
        const size_t n = std::min<size_t>(255, codes.size() - at);
        v.push_back(uint8_t(n));
        v.insert(v.end(), codes.begin() + at, codes.begin() + at + n);
    }
    v.push_back(0);
    v.push_back(0x3B);
    return v;
}

ByteVector Pcx(const Indexed& p, int bits, bool runsAcrossLines) {
    const uint32_t needed = bits == 8 ? p.width : (p.width + 7) / 8;
    const uint32_t lineBytes = (needed + 1) & ~1u;
    ByteVector v(128, 0);
    v[0] = 0x0A;
    v[1] = bits == 8 ? 5 : 3;
    v[2] = 1;
    v[3] = uint8_t(bits);
    v[8] = uint8_t(p.width - 1);
    v[9] = uint8_t((p.width - 1) >> 8);
    v[10] = uint8_t(p.height - 1);
    v[11] = uint8_t((p.height - 1) >> 8);
    v[12] = v[14] = 72;
    if (bits == 1) std::memset(&v[16 + 3], 0xFF, 3);  // entry 1 white
    v[65] = 1;
    v[66] = uint8_t(lineBytes);
    v[67] = uint8_t(lineBytes >> 8);
    v[68] = 1;

    ByteVector data;
    for (uint32_t y = 0; y < p.height; ++y) {
        ByteVector line(lineBytes, 0);
        for (uint32_t x = 0; x < p.width; ++x) {
            if (bits == 8) {
                line[x] = p.At(x, y);
            } else if (p.At(x, y)) {
                line[x / 8] |= uint8_t(0x80 >> (x % 8));
            }
        }
        data.insert(data.end(), line.begin(), line.end());
    }
    auto encode = [&](size_t from, size_t to) {
        for (size_t i = from; i < to;) {
            size_t n = 1;
            while (i + n < to && n < 63 && data[i + n] == data[i]) ++n;
            if (n > 1 || data[i] >= 0xC0) {
                v.push_back(uint8_t(0xC0 + n));
            }
            v.push_back(data[i]);
            i += n;
        }
    };
    if (runsAcrossLines) {
        encode(0, data.size());
    } else {
        for (uint32_t y = 0; y < p.height; ++y) encode(size_t(y) * lineBytes, size_t(y + 1) * lineBytes);
    }
    if (bits == 8) {
        v.push_back(12);
        for (size_t i = 0; i < 256; ++i) {
            const Rgb c = i < p.palette.size() ? p.palette[i] : Rgb{0, 0, 0};
            v.insert(v.end(), {c.r, c.g, c.b});
        }
    }
    return v;
}

IconImage IconPattern(uint32_t size, uint8_t colourCount, uint32_t seed) {
    IconImage image{size, size, colourCount, {}};
    uint32_t state = seed;
    for (uint32_t i = 0; i < size * size; ++i) {
        image.pixels.push_back(Rgba{uint8_t(Next(state)), uint8_t(Next(state)), uint8_t(Next(state)), 255});
    }
    return image;
}

ByteVector Icon(const std::vector<IconImage>& images, uint16_t type) {
    ByteVector v;
    Put16(v, 0);
    Put16(v, type);
    Put16(v, uint32_t(images.size()));
    size_t directory = v.size();
    v.resize(v.size() + 16 * images.size());
    for (size_t n = 0; n < images.size(); ++n) {
        const IconImage& im = images[n];
        const size_t maskStride = (im.width + 31) / 32 * 4;
        const size_t at = v.size();
        InfoHeader(v, im.width, int32_t(im.height * 2), 32, 0, 0);
        for (uint32_t r = 0; r < im.height; ++r) {
            const uint32_t y = im.height - 1 - r;
            for (uint32_t x = 0; x < im.width; ++x) {
                const Rgba c = im.pixels[size_t(y) * im.width + x];
                v.insert(v.end(), {c.b, c.g, c.r, c.a});
            }
        }
        // Mask bits set where the image is fully transparent.
        const size_t mask = v.size();
        v.resize(v.size() + maskStride * im.height, 0);
        for (uint32_t r = 0; r < im.height; ++r) {
            const uint32_t y = im.height - 1 - r;
            for (uint32_t x = 0; x < im.width; ++x) {
                if (im.pixels[size_t(y) * im.width + x].a == 0)
                    v[mask + maskStride * r + x / 8] |= uint8_t(0x80 >> (x % 8));
            }
        }
        uint8_t* e = &v[directory + 16 * n];
        e[0] = uint8_t(im.width);  // 256 wraps to 0, as stored
        e[1] = uint8_t(im.height);
        e[2] = im.colourCount;
        e[3] = 0;
        e[4] = uint8_t(type == 2 ? 3 : 1);
        e[5] = 0;
        e[6] = uint8_t(type == 2 ? 5 : 32);
        e[7] = 0;
        Set32(v, directory + 16 * n + 8, uint32_t(v.size() - at));
        Set32(v, directory + 16 * n + 12, uint32_t(at));
    }
    return v;
}

namespace {
ByteVector WritePng(uint32_t width, uint32_t height, uint32_t format, const void* pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr)) {
        throw std::runtime_error("png size");
    }
    ByteVector out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, nullptr)) {
        throw std::runtime_error("png write");
    }
    out.resize(size);
    return out;
}
}  // namespace

ByteVector Png(uint32_t width, uint32_t height, const std::vector<Rgba>& pixels) {
    return WritePng(width, height, PNG_FORMAT_RGBA, pixels.data());
}

ByteVector PngGrey(uint32_t width, uint32_t height, const std::vector<uint8_t>& grey) {
    return WritePng(width, height, PNG_FORMAT_GRAY, grey.data());
}

ByteVector Jpeg(uint32_t width, uint32_t height, int components, const std::vector<uint8_t>& samples, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        JSAMPROW row = const_cast<JSAMPLE*>(&samples[size_t(info.next_scanline) * width * components]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    ByteVector out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

}  // namespace vx::picture::samples
