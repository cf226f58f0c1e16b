// minizip file functions: the Win32 ones with a small read buffer in front.
// minizip reads every header field with a call of its own (one byte at a
// time for most of them); each such call would otherwise be a ReadFile.
#pragma once

#include <minizip/unzip.h>

namespace vx::zip {

// Fills io for unzOpen2. Reading only.
void FillBufferedWin32FileFunc(zlib_filefunc_def* io);

}  // namespace vx::zip
