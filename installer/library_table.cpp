// The nine support libraries of this program, in descriptor order. Each keeps
// the host-request function it is handed at start-up (message 1).
#include "installer/library_table.h"
#include "runtime/threads/threads.h"

namespace vx {
namespace {

HostRequestFn gLibraryHost[kLibraryCount];

template <int Position>
intptr_t Notify(int32_t message, intptr_t a, intptr_t /*b*/) {
    switch (message) {
    case kLibraryHostRequest: gLibraryHost[Position] = reinterpret_cast<HostRequestFn>(a); return 0;
    case kLibraryEnding: return 0;
    default: return -1;
    }
}

}  // namespace

HostRequestFn LibraryHost(int32_t position) {
    return position >= 0 && position < kLibraryCount ? gLibraryHost[position] : nullptr;
}

const LibraryDescriptor kLibraries[kLibraryCount] = {
    {"core library", Notify<kCoreLibrary>},
    {"extended interface library 1", Notify<kExtendedInterface1>},
    {"visual style library", Notify<kVisualStyleLibrary>},
    {"application interface library", Notify<kApplicationInterfaceLibrary>},
    {"extended interface library 6", Notify<kExtendedInterface6>},
    {"archive library", Notify<kArchiveLibrary>},
    {"system interface library", Notify<kSystemInterfaceLibrary>},
    {"multithreading library", threads::MultithreadingNotify},
    {"special functions library", threads::SpecialFunctionsNotify},
};

}  // namespace vx
