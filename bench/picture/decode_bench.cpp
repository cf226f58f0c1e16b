// Decoding time of the installer's background JPEG and banner PNG through
// the picture decoders, against the bare library decode of the same bytes
// in the same run. Prints one line per picture with the ratio.
#include "runtime/picture/picture_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

// Milliseconds from a monotonic clock (<chrono> does not build with the
// project's GBK execution character set).
double NowMs() {
#ifdef _WIN32
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) * 1000.0 / double(frequency.QuadPart);
#else
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
#endif
}
using vx::picture::Bytes;

// The plain library calls: decode to RGB rows (JPEG) or BGRA (PNG).
size_t BareJpeg(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * info.output_components;
    out.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &out[stride * info.output_scanline];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out.size();
}

size_t BarePng(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return 0;
    image.format = PNG_FORMAT_BGRA;
    out.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
    png_image_free(&image);
    return ok ? out.size() : 0;
}

template <class Fn>
double BestMilliseconds(Fn fn, int rounds) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const double start = NowMs();
        fn();
        best = std::min(best, NowMs() - start);
    }
    return best;
}

bool Bench(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Bytes bytes(file.data(), file.size());
    const auto kind = vx::picture::Detect(bytes);
    if (kind != vx::picture::Kind::Jpeg && kind != vx::picture::Kind::Png) {
        std::printf("%s: not a JPEG or PNG\n", path);
        return false;
    }
    const bool jpeg = kind == vx::picture::Kind::Jpeg;
    auto picture = vx::picture::Decode(bytes);
    std::vector<uint8_t> bare;
    const size_t bareSize = jpeg ? BareJpeg(file, bare) : BarePng(file, bare);
    if (!picture || bareSize != picture->pixels.size()) {
        std::printf("%s: decode failed or sizes differ\n", path);
        return false;
    }
    // Interleave the two so that both see the same machine state.
    double ours = 1e30, plain = 1e30;
    for (int round = 0; round < 5; ++round) {
        ours = std::min(ours, BestMilliseconds([&] { picture = vx::picture::Decode(bytes); }, 4));
        // A fresh output block each time, as the decoder makes one.
        plain = std::min(plain, BestMilliseconds(
                                    [&] {
                                        std::vector<uint8_t> fresh;
                                        jpeg ? BareJpeg(file, fresh) : BarePng(file, fresh);
                                    },
                                    4));
    }
    std::printf("%-40s %s %dx%d  decoder %.3f ms  bare library %.3f ms  ratio %.2f\n", path, jpeg ? "JPEG" : "PNG",
                picture->width, picture->height, ours, plain, ours / plain);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE...\n", argv[0]);
        return 2;
    }
    bool ok = true;
    for (int i = 1; i < argc; ++i) ok = Bench(argv[i]) && ok;
    return ok ? 0 : 1;
}
