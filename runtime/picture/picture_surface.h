// Pictures on Win32: decoding with icon creation, device-dependent bitmaps
// made from picture records, drawing, and window regions from bitmaps.
#pragma once

#include "runtime/picture/gdi_owners.h"
#include "runtime/picture/picture_data.h"

#include <windows.h>

#include <optional>

namespace vx::picture {

// A picture ready for drawing: an icon for kinds 3 and 4, a bitmap
// compatible with `dc` for all others.
struct PictureSurface {
    HDC dc = nullptr;  // the DC it was made for; not owned
    Kind kind = Kind::None;
    int32_t width = 0;
    int32_t height = 0;
    IconHandle icon;
    BitmapHandle bitmap;
};

constexpr COLORREF kWhite = RGB(255, 255, 255);

// Kind from the first 8 bytes of a file (fewer than 8: None).
Kind DetectFile(const char* path);

// Decode() plus, for icons and cursors, the icon handle; None if the
// system refuses the image.
std::optional<PictureData> DecodePicture(Bytes bytes);
inline std::optional<PictureData> DecodePicture(const void* bytes, size_t length) {
    return DecodePicture(Bytes(static_cast<const uint8_t*>(bytes), length));
}
// The file is read whole while others may read but not write it.
std::optional<PictureData> DecodeFile(const char* path);

// The icon handle moves from the record into the surface; transparent PNG
// pixels are blended onto `background`.
std::optional<PictureSurface> MakeSurface(HDC dc, PictureData& picture, COLORREF background);

// Draws at (x, y) in width x height (-1: the picture's own size). A
// negative operation draws transparently, leaving out the colour -operation.
void Draw(const PictureSurface& surface, HDC target, int x, int y, int width, int height, int32_t operation);
inline void Draw(const PictureSurface& surface, int x, int y, int width, int height, int32_t operation) {
    Draw(surface, surface.dc, x, y, width, height, operation);
}

// A bitmap of the picture for the screen, owned by the caller; icons and
// cursors are drawn onto white. Empty when the bytes are no picture.
BitmapHandle BytesToBitmap(Bytes bytes, COLORREF background = kWhite);
inline BitmapHandle BytesToBitmap(const void* bytes, size_t length, COLORREF background = kWhite) {
    return BytesToBitmap(Bytes(static_cast<const uint8_t*>(bytes), length), background);
}

// A copy of `source` resampled smoothly to width x height (two-colour
// bitmaps stay two-colour, stretched); empty on failure. Pixels of `key`, a
// colour to be cut away, are kept out of the blends.
BitmapHandle ScaleBitmap(HBITMAP source, int width, int height, std::optional<COLORREF> key = {});
// The surface drawn at width x height from here on, its bitmap resampled
// once; false (surface unchanged) on failure.
bool ScaleSurface(PictureSurface& surface, int width, int height);

// A region scaled by num/den in both directions (the original is kept);
// null on failure.
RegionHandle ScaleRegion(HRGN region, int num, int den);

// The region of every pixel whose colour, as the display shows it, is not
// `colour`; empty (but valid) when all pixels have it. Null on failure.
RegionHandle RegionFromBitmap(HBITMAP bitmap, COLORREF colour);

inline void Free(PictureData& picture) { picture = PictureData(); }
inline void Free(PictureSurface& surface) { surface = PictureSurface(); }

}  // namespace vx::picture
