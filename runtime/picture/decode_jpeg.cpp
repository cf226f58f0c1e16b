// JPEG through libjpeg(-turbo) from memory. The library reports errors by
// calling error_exit, which must not return: it long-jumps back here. Nothing
// with a destructor lives in JpegToBgr, and every exit runs the one cleanup
// block at its end.
#include "runtime/picture/picture_data.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

namespace vx::picture {
namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void JpegFail(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

// Warnings are silent, except running out of data: the library would pad
// the picture with grey and call it a success.
void JpegMessage(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) JpegFail(info);
}

void JpegQuiet(j_common_ptr) {}

struct JpegResult {
    uint8_t* pixels;
    size_t size;
    uint32_t width;
    uint32_t height;
};

// Blue-green-red pixels, rows bottom-up; pixels null on any failure.
JpegResult JpegToBgr(const uint8_t* bytes, size_t length) {
    JpegResult result{};
    jpeg_decompress_struct info;
    JpegErrors errors;
    std::memset(&info, 0, sizeof info);
    uint8_t* volatile out = nullptr;
    JSAMPLE* volatile line = nullptr;
    volatile bool done = false;

    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFail;
    errors.manager.emit_message = JpegMessage;
    errors.manager.output_message = JpegQuiet;
    if (length > 0 && length <= ULONG_MAX && setjmp(errors.jump) == 0) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes, static_cast<unsigned long>(length));
        if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && SizeAcceptable(info.image_width, info.image_height) &&
            (info.num_components == 1 || info.num_components == 3)) {
#ifdef JCS_EXTENSIONS
            // The library writes blue-green-red itself, grey included.
            info.out_color_space = JCS_EXT_BGR;
#endif
            jpeg_start_decompress(&info);
            const uint32_t w = info.output_width, h = info.output_height;
            const int components = info.output_components;
            const size_t stride = size_t(w) * 3;
            if ((components == 1 || components == 3) && SizeAcceptable(w, h)) {
                out = static_cast<uint8_t*>(std::malloc(stride * h));
                line = static_cast<JSAMPLE*>(std::malloc(size_t(w) * components));
            }
            if (out && line) {
                while (info.output_scanline < h) {
                    // Rows go bottom-up, straight into place.
                    uint8_t* dst = out + stride * (h - 1 - info.output_scanline);
                    JSAMPROW row = components == 3 ? dst : line;
                    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
                    if (components == 1) {
                        for (uint32_t x = 0; x < w; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = line[x];
                    } else if (info.out_color_space == JCS_RGB) {
                        for (uint32_t x = 0; x < w; ++x) std::swap(dst[3 * x], dst[3 * x + 2]);
                    }
                }
                if (info.output_scanline == h) {
                    jpeg_finish_decompress(&info);
                    result.width = w;
                    result.height = h;
                    result.size = stride * h;
                    done = true;
                }
            }
        }
    }
    // The one cleanup path, reached normally or by the long jump.
    jpeg_destroy_decompress(&info);
    std::free(line);
    if (done) {
        result.pixels = out;
    } else {
        std::free(out);
        result = JpegResult{};
    }
    return result;
}

}  // namespace

std::optional<PictureData> DecodeJpeg(Bytes bytes) {
    JpegResult r = JpegToBgr(bytes.data(), bytes.size());
    if (!r.pixels) return std::nullopt;
    PictureData picture;
    picture.kind = Kind::Jpeg;
    picture.width = static_cast<int32_t>(r.width);
    picture.height = static_cast<int32_t>(r.height);
    picture.pixels = PixelBuffer(r.pixels, r.size);
    return picture;
}

}  // namespace vx::picture
