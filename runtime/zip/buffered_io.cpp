#include "runtime/zip/buffered_io.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace vx::zip {
namespace {

// Header fields are read through a small fill (the counting pass jumps from
// local header to local header); data pieces through a large one, so that a
// run of them costs one system call per read-ahead instead of one per piece.
constexpr uLong kHeaderFill = 4096;
constexpr uLong kDataFill = 256 * 1024;

struct Stream {
    HANDLE file;
    uLong pos;       // logical position
    uLong innerPos;  // where the handle stands
    bool failed;
    uLong bufStart;  // file offset of buf[0]
    uLong bufLen;
    unsigned char buf[kDataFill];
};

bool InnerSeek(Stream& s, uLong offset) {
    if (s.innerPos == offset) return true;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(s.file, to, nullptr, FILE_BEGIN)) {
        s.failed = true;
        return false;
    }
    s.innerPos = offset;
    return true;
}

uLong InnerRead(Stream& s, void* dst, uLong size) {
    DWORD got = 0;
    if (!ReadFile(s.file, dst, static_cast<DWORD>(std::min<uLong>(size, MAXDWORD)), &got, nullptr)) s.failed = true;
    s.innerPos += got;
    return got;
}

voidpf ZCALLBACK Open(voidpf, const char* filename, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    if (!filename) return nullptr;
    HANDLE file = OpenArchiveFile(filename);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    Stream* s = new (std::nothrow) Stream;
    if (!s) {
        CloseHandle(file);
        return nullptr;
    }
    s->file = file;
    s->pos = s->innerPos = s->bufStart = s->bufLen = 0;
    s->failed = false;
    return s;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buf, uLong size) {
    Stream& s = *static_cast<Stream*>(stream);
    auto* out = static_cast<unsigned char*>(buf);
    uLong done = 0;
    while (size > 0) {
        if (s.pos >= s.bufStart && s.pos < s.bufStart + s.bufLen) {
            const uLong n = std::min(size, s.bufStart + s.bufLen - s.pos);
            std::memcpy(out + done, s.buf + (s.pos - s.bufStart), n);
            s.pos += n, done += n, size -= n;
            continue;
        }
        if (!InnerSeek(s, s.pos)) break;
        if (size >= kDataFill) {  // larger than any fill: straight through
            const uLong got = InnerRead(s, out + done, size);
            s.pos += got, done += got;
            break;
        }
        s.bufStart = s.pos;
        s.bufLen = InnerRead(s, s.buf, size >= kHeaderFill ? kDataFill : kHeaderFill);
        if (s.bufLen == 0) break;
    }
    return done;
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

// A position past what `long` holds is an error, not a negative offset.
long ZCALLBACK Tell(voidpf, voidpf stream) {
    const uLong pos = static_cast<Stream*>(stream)->pos;
    return pos > uLong(std::numeric_limits<long>::max()) ? -1 : static_cast<long>(pos);
}

long ZCALLBACK Seek(voidpf, voidpf stream, uLong offset, int origin) {
    Stream& s = *static_cast<Stream*>(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: s.pos = offset; return 0;
    case ZLIB_FILEFUNC_SEEK_CUR: s.pos += offset; return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
        LARGE_INTEGER by, at;
        by.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(s.file, by, &at, FILE_END) || at.QuadPart > LONGLONG(std::numeric_limits<uLong>::max())) {
            s.failed = true;
            return -1;
        }
        s.innerPos = s.pos = static_cast<uLong>(at.QuadPart);
        return 0;
    }
    }
    return -1;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
    Stream* s = static_cast<Stream*>(stream);
    const int rc = CloseHandle(s->file) ? 0 : -1;
    delete s;
    return rc;
}

int ZCALLBACK TestError(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->failed ? -1 : 0; }

}  // namespace

// Reading only, and sharing writes: an installer holds its archive open for
// writing, sharing reads only, from its creation until extraction ends, so
// that no one else can change it; a reader must admit that one writer.
// Deleting stays refused.
HANDLE OpenArchiveFile(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void FillBufferedWin32FileFunc(zlib_filefunc_def* io) {
    io->zopen_file = Open;
    io->zread_file = Read;
    io->zwrite_file = Write;
    io->ztell_file = Tell;
    io->zseek_file = Seek;
    io->zclose_file = Close;
    io->zerror_file = TestError;
    io->opaque = nullptr;
}

}  // namespace vx::zip
