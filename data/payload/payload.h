// The payload archive, as a byte set in read-only data: a 32-bit 1, the
// 32-bit length, then the bytes of the ZIP archive; vxPayloadEnd is the
// first byte after them.
#pragma once

extern "C" {
extern const unsigned char vxPayloadByteSet[];
extern const unsigned char vxPayloadEnd[];
}
