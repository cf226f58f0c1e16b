// The program descriptor the runtime is started from, and the support-library
// descriptors it lists.
#pragma once

#include <cstdint>

#include "runtime/process/services.h"

namespace vx {

// Notification: message 1 hands over the host-request function (as a), message
// 6 says the program is ending.
using LibraryNotifyFn = intptr_t (*)(int32_t message, intptr_t a, intptr_t b);

enum LibraryMessage : int32_t { kLibraryHostRequest = 1, kLibraryEnding = 6 };

struct LibraryDescriptor {
    const char* name;
    LibraryNotifyFn notify;
};

// Positions in the program's library table (0-based); type codes use these + 1.
enum LibraryPosition : int32_t {
    kCoreLibrary = 0,
    kExtendedInterface1 = 1,
    kVisualStyleLibrary = 2,
    kApplicationInterfaceLibrary = 3,
    kExtendedInterface6 = 4,
    kArchiveLibrary = 5,
    kSystemInterfaceLibrary = 6,
    kMultithreadingLibrary = 7,
    kSpecialFunctionsLibrary = 8,
    kLibraryCount = 9,
};

struct ProgramDescriptor {
    uint32_t runMode;  // 3; 2 stops in the debugger after a run-time error
    uint32_t reserved;
    uint32_t word3;
    uintptr_t procedureBase;  // template handler offsets are relative to it
    const uint8_t* constantStart;
    uint32_t constantLength;
    const uint8_t* templateData;  // starts where the constant area ends
    uint32_t templateLength;
    uint32_t libraryCount;
    const LibraryDescriptor* libraries;
    uint32_t dllCount;
    const char* const* dllLibraries;
    const char* const* dllNames;
};

// Provided by the program (the installer, or a test program).
extern const ProgramDescriptor& TheProgramDescriptor();
// The program's main procedure; returns 0.
int ProgramMain();

}  // namespace vx
