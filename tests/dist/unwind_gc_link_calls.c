/* Built without a section per function (as C libraries often are): one
   section of code, one of unwind data, for the whole file. */
#include <stdint.h>

/* Calls back into C++ code that may throw: the exception unwinds through
   this frame. */
int VxGcCallThrough(int (*callback)(int), int value) { return callback(value) + 1; }

/* Called by nothing, but in the one section of code of a file that is used:
   it stays. */
uint64_t VxGcUnusedBesideUsed(void) { return 0x5e3c9b7ae61d2f41ull; }
