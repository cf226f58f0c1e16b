// Writes the sample pictures into <dir>/<family>/ as the fuzzers' seeds.
#include "tests/picture/picture_samples.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace vx::picture::samples;

namespace {

void Write(const std::filesystem::path& dir, const std::string& family, const std::string& name,
           const ByteVector& bytes) {
    for (const std::string& into : {family, std::string("any")}) {
        std::filesystem::create_directories(dir / into);
        std::ofstream(dir / into / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    Write(dir, "bmp", "1.bmp", Bmp(Pattern(9, 5, 2), 1));
    Write(dir, "bmp", "4.bmp", Bmp(Pattern(7, 4, 16), 4, true, 12));
    Write(dir, "bmp", "8.bmp", Bmp(Pattern(6, 6, 200), 8));
    Write(dir, "bmp", "24.bmp", BmpTrue(5, 3, TrueColourPattern(5, 3), 24));
    Write(dir, "bmp", "32.bmp", BmpTrue(4, 4, TrueColourPattern(4, 4), 32, true));
    Write(dir, "gif", "plain.gif", Gif(Pattern(16, 8, 4)));
    Write(dir, "gif", "interlaced.gif",
          Gif(Pattern(11, 13, 16), {.interlaced = true, .control = true, .transparentIndex = 2}));
    Write(dir, "gif", "local.gif",
          Gif(Pattern(9, 9, 8),
              {.localTable = true, .comment = true, .screenWidth = 12, .screenHeight = 10, .left = 2, .top = 1}));
    Write(dir, "gif", "full.gif", Gif(Pattern(90, 60, 256), {.clearWhenFull = false}));
    Write(dir, "pcx", "256.pcx", Pcx(Pattern(10, 6, 256), 8));
    Write(dir, "pcx", "runs.pcx", Pcx(Pattern(10, 6, 3), 8, true));
    Write(dir, "pcx", "mono.pcx", Pcx(Pattern(19, 5, 2), 1));
    Write(dir, "icon", "two.ico", Icon({IconPattern(16), IconPattern(32, 16, 2)}));
    Write(dir, "icon", "one.cur", Icon({IconPattern(16, 0, 3)}, 2));
    std::vector<Rgba> rgba(6 * 5);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = Rgba{uint8_t(i * 9), uint8_t(i * 5), uint8_t(i), uint8_t(i * 8)};
    Write(dir, "png", "rgba.png", Png(6, 5, rgba));
    Write(dir, "png", "grey.png", PngGrey(4, 4, std::vector<uint8_t>(16, 99)));
    std::vector<uint8_t> samples(16 * 8 * 3);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 3);
    Write(dir, "jpeg", "colour.jpg", Jpeg(16, 8, 3, samples, 80));
    Write(dir, "jpeg", "grey.jpg", Jpeg(8, 8, 1, std::vector<uint8_t>(64, 30)));
    return 0;
}
