// The progress bar's image lists, written by the template compiler without
// Win32, read back by the common controls' ImageList_Read and drawn: every
// cell must come out pixel for pixel, transparent where the mask says so.
#include <windows.h>
#include <objidl.h>  // IStream, before commctrl.h declares ImageList_Read
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/picture/gdi_owners.h"
#include "installer/template_data.h"
#include "runtime/base/byte_reader.h"
#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"

namespace wt = vx::wt;

namespace {

struct StreamOwner {
    IStream* p = nullptr;
    ~StreamOwner() {
        if (p) p->Release();
    }
};

struct ImageListOwner {
    HIMAGELIST h = nullptr;
    ~ImageListOwner() {
        if (h) ImageList_Destroy(h);
    }
};

struct DibOwner {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    DibOwner(int w, int h) {
        BITMAPINFO bi = vx::picture::TopDownBitmapInfo(w, h);
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        old = SelectObject(dc, bitmap);
    }
    ~DibOwner() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// The expected cell pixel (0x00RRGGBB), or `background` where masked, taken
// from the stream's own bitmaps (four cells to a row, bottom-up).
uint32_t Expected(wt::Bytes s, int cell, int x, int y, uint32_t background) {
    uint16_t cx = vx::U16(&s[10]), cy = vx::U16(&s[12]);
    const uint8_t* colourBmp = &s[28];
    uint32_t width = vx::U32(colourBmp + 18), height = vx::U32(colourBmp + 22);
    const uint8_t* colour = colourBmp + vx::U32(colourBmp + 10);
    const uint8_t* maskBmp = colourBmp + vx::U32(colourBmp + 2);
    const uint8_t* mask = maskBmp + vx::U32(maskBmp + 10);
    uint32_t px = uint32_t(cell % 4) * cx + uint32_t(x), row = height - 1 - (uint32_t(cell / 4) * cy + uint32_t(y));
    uint32_t colourStride = (width * 24 + 31) / 32 * 4, maskStride = (width + 31) / 32 * 4;
    if ((mask[row * maskStride + px / 8] >> (7 - px % 8)) & 1) return background;
    const uint8_t* c = colour + row * colourStride + px * 3;
    return uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | c[0];
}

TEST(ImageListRead, TheBarsImageListsReadAndDrawExactly) {
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(wt::Bytes(vxTemplateData, vxTemplateSize), 0, t), wt::ReadStatus::kOk);
    wt::TemplateWindow* w = t.FindWindow(0x52010001);
    ASSERT_NE(w, nullptr);
    std::optional<size_t> bar = w->FindUnit(0x16010079);
    ASSERT_TRUE(bar.has_value());
    std::vector<wt::FieldValue> fields;
    ASSERT_EQ(wt::DecodeTypeData(w->typeId(*bar), w->typeData(*bar), fields), wt::DecodeStatus::kOk);

    const COLORREF background = RGB(1, 2, 3);
    for (const char* name : {"TrackImages", "FillImages", "ArrowImages", "ThumbImages"}) {
        SCOPED_TRACE(name);
        wt::Bytes stream = wt::ImageListStream(wt::FindField(fields, name)->bytes);
        ASSERT_GT(stream.size(), 28u);
        StreamOwner is;
        is.p = SHCreateMemStream(stream.data(), UINT(stream.size()));
        ASSERT_NE(is.p, nullptr);
        ImageListOwner list;
        list.h = ImageList_Read(is.p);
        ASSERT_NE(list.h, nullptr);
        // The whole stream was consumed.
        LARGE_INTEGER zero{};
        ULARGE_INTEGER at{};
        ASSERT_EQ(is.p->Seek(zero, STREAM_SEEK_CUR, &at), S_OK);
        EXPECT_EQ(at.QuadPart, stream.size());

        const int count = vx::U16(&stream[4]), cx = vx::U16(&stream[10]), cy = vx::U16(&stream[12]);
        EXPECT_EQ(ImageList_GetImageCount(list.h), count);
        int w0 = 0, h0 = 0;
        ASSERT_TRUE(ImageList_GetIconSize(list.h, &w0, &h0));
        EXPECT_EQ(w0, cx);
        EXPECT_EQ(h0, cy);

        int masked = 0, opaque = 0, wrong = 0;
        for (int cell = 0; cell < count; ++cell) {
            DibOwner dib(cx, cy);
            HBRUSH brush = CreateSolidBrush(background);
            RECT r{0, 0, cx, cy};
            FillRect(dib.dc, &r, brush);
            DeleteObject(brush);
            ASSERT_TRUE(ImageList_Draw(list.h, cell, dib.dc, 0, 0, ILD_TRANSPARENT));
            GdiFlush();
            for (int y = 0; y < cy; ++y)
                for (int x = 0; x < cx; ++x) {
                    uint32_t want = Expected(stream, cell, x, y, 0x010203);
                    uint32_t got = dib.bits[y * cx + x] & 0xFFFFFF;
                    if (got != want) ++wrong;
                    (want == 0x010203 ? masked : opaque)++;
                }
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(opaque, 0);
        EXPECT_GT(masked, 0);  // every list has transparent corners
    }
}

}  // namespace
