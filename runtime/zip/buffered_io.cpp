#include "runtime/zip/buffered_io.h"

// iowin32.h relies on the declarations of unzip.h.
#include <minizip/iowin32.h>

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

const zlib_filefunc_def& Win32Io() {
    static const zlib_filefunc_def io = [] {
        zlib_filefunc_def d;
        fill_win32_filefunc(&d);
        return d;
    }();
    return io;
}

struct Stream {
    voidpf inner;
    uLong pos;       // logical position
    uLong innerPos;  // where the Win32 handle stands
    uLong bufStart;  // file offset of buf[0]
    uLong bufLen;
    unsigned char buf[kDataFill];
};

bool InnerSeek(Stream& s, uLong offset) {
    if (s.innerPos == offset) return true;
    if (Win32Io().zseek_file(Win32Io().opaque, s.inner, offset, ZLIB_FILEFUNC_SEEK_SET) != 0) return false;
    s.innerPos = offset;
    return true;
}

uLong InnerRead(Stream& s, void* dst, uLong size) {
    const uLong got = Win32Io().zread_file(Win32Io().opaque, s.inner, dst, size);
    s.innerPos += got;
    return got;
}

voidpf ZCALLBACK Open(voidpf, const char* filename, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    voidpf inner = Win32Io().zopen_file(Win32Io().opaque, filename, mode);
    if (!inner) return nullptr;
    Stream* s = new (std::nothrow) Stream;
    if (!s) {
        Win32Io().zclose_file(Win32Io().opaque, inner);
        return nullptr;
    }
    s->inner = inner;
    s->pos = s->innerPos = s->bufStart = s->bufLen = 0;
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
    case ZLIB_FILEFUNC_SEEK_END:
        if (Win32Io().zseek_file(Win32Io().opaque, s.inner, offset, ZLIB_FILEFUNC_SEEK_END) != 0) return -1;
        s.innerPos = static_cast<uLong>(Win32Io().ztell_file(Win32Io().opaque, s.inner));
        s.pos = s.innerPos;
        return 0;
    }
    return -1;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
    Stream* s = static_cast<Stream*>(stream);
    const int rc = Win32Io().zclose_file(Win32Io().opaque, s->inner);
    delete s;
    return rc;
}

int ZCALLBACK TestError(voidpf, voidpf stream) {
    return Win32Io().zerror_file(Win32Io().opaque, static_cast<Stream*>(stream)->inner);
}

}  // namespace

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
