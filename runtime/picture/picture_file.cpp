#include "runtime/picture/picture_surface.h"

namespace vx::picture {
namespace {

// Larger files are not pictures this runtime will show.
constexpr LONGLONG kMaxFileSize = LONGLONG(256) << 20;

FileHandle OpenForReading(const char* path) {
    return FileHandle(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadExactly(HANDLE file, uint8_t* into, DWORD count) {
    DWORD got = 0;
    return ReadFile(file, into, count, &got, nullptr) && got == count;
}

}  // namespace

Kind DetectFile(const char* path) {
    FileHandle file = OpenForReading(path);
    uint8_t head[8];
    if (!file || !ReadExactly(file.get(), head, sizeof head)) return Kind::None;
    return Detect(Bytes(head, sizeof head));
}

std::optional<PictureData> DecodeFile(const char* path) {
    FileHandle file = OpenForReading(path);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 8 || size.QuadPart > kMaxFileSize) {
        return std::nullopt;
    }
    PixelBuffer bytes = PixelBuffer::Zeroed(static_cast<size_t>(size.QuadPart));
    if (bytes.empty() || !ReadExactly(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()))) return std::nullopt;
    return DecodePicture(Bytes(bytes.data(), bytes.size()));
}

}  // namespace vx::picture
