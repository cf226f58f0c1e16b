// Picture records: format detection and decoding of picture file bytes into
// pixel blocks. Portable (no <windows.h>): only icon creation, surfaces and
// drawing need Win32 (picture_surface.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

namespace vx::picture {

enum class Kind : int32_t {
    None = 0,
    Jpeg = 1,
    Bmp = 2,
    Ico = 3,
    Cur = 4,
    Gif = 5,
    Pcx256 = 6,
    PcxMono = 7,
    Png = 8,
};

using Bytes = std::span<const uint8_t>;

// Hostile headers must not make us allocate gigabytes: no side may exceed
// 16384 pixels and no picture may hold more than 64 M pixels (256 MB of
// 32-bit pixels). Pictures in window templates are far smaller.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;
inline bool SizeAcceptable(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

// Move-only malloc'd block; malloc rather than new so that the C-style
// libjpeg/libpng glue can own it without destructors.
class PixelBuffer {
public:
    PixelBuffer() = default;
    PixelBuffer(uint8_t* data, size_t size) : data_(data), size_(size) {}
    PixelBuffer(PixelBuffer&& o) noexcept : data_(o.data_), size_(o.size_) {
        o.data_ = nullptr;
        o.size_ = 0;
    }
    PixelBuffer& operator=(PixelBuffer&& o) noexcept {
        if (this != &o) {
            std::free(data_);
            data_ = o.data_;
            size_ = o.size_;
            o.data_ = nullptr;
            o.size_ = 0;
        }
        return *this;
    }
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    ~PixelBuffer() { std::free(data_); }

    // Zero-filled; empty (not thrown) when the heap has nothing left.
    static PixelBuffer Zeroed(size_t size) {
        auto* p = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
        return p ? PixelBuffer(p, size) : PixelBuffer();
    }

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return data_ == nullptr; }
    uint8_t* release() {
        uint8_t* p = data_;
        data_ = nullptr;
        size_ = 0;
        return p;
    }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// An icon or cursor handle owned by a picture record. The destroy function
// is supplied by the code that creates the handle, so this header stays
// free of Win32.
class IconRef {
public:
    using DestroyFn = void (*)(void*);
    IconRef() = default;
    IconRef(void* handle, DestroyFn destroy) : handle_(handle), destroy_(destroy) {}
    IconRef(IconRef&& o) noexcept : handle_(o.handle_), destroy_(o.destroy_) { o.handle_ = nullptr; }
    IconRef& operator=(IconRef&& o) noexcept {
        if (this != &o) {
            reset();
            handle_ = o.handle_;
            destroy_ = o.destroy_;
            o.handle_ = nullptr;
        }
        return *this;
    }
    IconRef(const IconRef&) = delete;
    IconRef& operator=(const IconRef&) = delete;
    ~IconRef() { reset(); }

    void* get() const { return handle_; }
    void* release() {
        void* h = handle_;
        handle_ = nullptr;
        return h;
    }
    void reset() {
        if (handle_ && destroy_) destroy_(handle_);
        handle_ = nullptr;
    }

private:
    void* handle_ = nullptr;
    DestroyFn destroy_ = nullptr;
};

// Fields of the GIF graphic control extension that precedes the first image.
struct GifControl {
    bool present = false;
    uint8_t disposal = 0;
    bool transparent = false;
    uint16_t delay = 0;  // hundredths of a second
    uint8_t transparentIndex = 0;
};

// Size of the 8-bit bitmap block of kinds 5 and 6: 40-byte header and 256
// colour entries before the pixels.
constexpr size_t kDibHeaderSize = 40;
constexpr size_t kDibPaletteSize = 256 * 4;
constexpr size_t kDibPixelOffset = kDibHeaderSize + kDibPaletteSize;

// A decoded picture. pixels by kind:
//   Jpeg, Bmp:   3 bytes per pixel blue, green, red; rows bottom-up, unpadded.
//   Ico, Cur:    the chosen image's icon resource bytes (a cursor's begin with
//                its 2 x 16-bit hot spot); the handle is made from them.
//   Gif, Pcx256: 40-byte header (top-down), 256 colours, 8-bit pixels, rows
//                padded to 4 bytes.
//   PcxMono:     1 bit per pixel rows padded to 16 bits (monochrome bitmap).
//   Png:         4 bytes per pixel blue, green, red, alpha; rows top-down.
struct PictureData {
    Kind kind = Kind::None;
    int32_t width = 0;
    int32_t height = 0;
    IconRef icon;
    PixelBuffer pixels;
    GifControl gif;
};

// Format by the first bytes; None for 5 bytes or fewer. Tests run in the
// order BMP, JPEG, PNG, ICO/CUR, GIF, PCX.
Kind Detect(Bytes bytes);
inline Kind Detect(const void* bytes, size_t length) {
    return Detect(Bytes(static_cast<const uint8_t*>(bytes), length));
}

// Decodes by the detected kind. For icons and cursors only the resource
// bytes are prepared; the Win32 layer turns them into a handle.
std::optional<PictureData> Decode(Bytes bytes);

// The decoders by format, for callers that already know the kind (and for
// fuzzing each family on its own).
std::optional<PictureData> DecodeJpeg(Bytes bytes);
std::optional<PictureData> DecodePng(Bytes bytes);
std::optional<PictureData> DecodeBmp(Bytes bytes);
std::optional<PictureData> DecodeIcon(Bytes bytes);
std::optional<PictureData> DecodeGif(Bytes bytes);
std::optional<PictureData> DecodePcx(Bytes bytes);

}  // namespace vx::picture
