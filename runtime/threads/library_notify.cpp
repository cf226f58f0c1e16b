#include <atomic>

#include "runtime/process/program.h"
#include "runtime/threads/threads.h"

namespace vx::threads {
namespace {

std::atomic<HostRequestFn> gMultithreadingHost{nullptr};
std::atomic<HostRequestFn> gSpecialFunctionsHost{nullptr};

HostRequestFn OrRuntime(HostRequestFn fn) { return fn ? fn : &vx::HostRequest; }

}  // namespace

intptr_t MultithreadingNotify(int32_t message, intptr_t a, intptr_t) {
    if (message == kLibraryHostRequest) gMultithreadingHost = reinterpret_cast<HostRequestFn>(a);
    if (message == kLibraryEnding) {
        ReleaseLocks();
        return 0;
    }
    return -1;
}

intptr_t SpecialFunctionsNotify(int32_t message, intptr_t a, intptr_t) {
    if (message == kLibraryHostRequest) gSpecialFunctionsHost = reinterpret_cast<HostRequestFn>(a);
    return message == kLibraryEnding ? 0 : -1;
}

int32_t IntegerArgument(HostRequestFn host, const ValueRecord& v) {
    if (v.type == type::Int) return v.Int();
    if (!type::IsNumeric(v.type)) return 0;
    return static_cast<int32_t>(host(kHostToInteger, reinterpret_cast<intptr_t>(&v), 0));
}

HostRequestFn MultithreadingHost() { return OrRuntime(gMultithreadingHost.load()); }
HostRequestFn SpecialFunctionsHost() { return OrRuntime(gSpecialFunctionsHost.load()); }

}  // namespace vx::threads
