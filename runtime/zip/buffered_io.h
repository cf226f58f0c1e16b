// minizip file functions: Win32 file reads with a small buffer in front.
// minizip reads every header field with a call of its own (one byte at a
// time for most of them); each such call would otherwise be a ReadFile.
#pragma once

#include <windows.h>

#include <minizip/unzip.h>

namespace vx::zip {

// The archive opened for reading (INVALID_HANDLE_VALUE when it cannot be).
HANDLE OpenArchiveFile(const char* path);

// Fills io for unzOpen2. Reading only.
void FillBufferedWin32FileFunc(zlib_filefunc_def* io);

}  // namespace vx::zip
