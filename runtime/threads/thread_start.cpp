#include <windows.h>

#include "runtime/base/args.h"
#include "runtime/base/errors.h"
#include "runtime/base/memory.h"
#include "runtime/process/runtime_object.h"
#include "runtime/threads/threads.h"

namespace vx::commands {
namespace {

struct ThreadCall {
    LPTHREAD_START_ROUTINE entry;
    void* parameter;
};

// The procedure runs inside the runtime's exception boundary, counted as
// running until it returns.
DWORD WINAPI ContainedEntry(void* block) {
    const ThreadCall call = *static_cast<ThreadCall*>(block);
    Free(block);
    const DWORD code = Contained([&] { return call.entry(call.parameter); });
    Runtime().runningThreads--;
    return code;
}

}  // namespace

void ThreadStart(ValueRecord* result, int32_t argc, ValueRecord* args) {
    const ValueRecord& procedure = Arg(argc, args, 0);
    auto* entry = procedure.Address<void>();
    // A null entry would start a thread that faults at once.
    if (type::Base(procedure.type) != type::SubProgram || !entry) return;

    // The procedure takes one 32-bit parameter; it travels zero-extended in
    // the pointer-sized start-routine argument.
    uint32_t parameter = static_cast<uint32_t>(
        Given(argc, args, 1) ? threads::IntegerArgument(threads::MultithreadingHost(), args[1]) : 0);
    auto* call = static_cast<ThreadCall*>(TryAllocate(sizeof(ThreadCall)));
    if (!call) return;
    *call = {reinterpret_cast<LPTHREAD_START_ROUTINE>(entry),
             reinterpret_cast<void*>(static_cast<uintptr_t>(parameter))};
    Runtime().runningThreads++;
    HANDLE thread = CreateThread(nullptr, 0, ContainedEntry, call, 0, nullptr);
    if (!thread) {
        Runtime().runningThreads--;
        Free(call);
        return;
    }
    result->SetBool(true);

    const ValueRecord& handleVariable = Arg(argc, args, 2);
    auto* variable = handleVariable.Given() ? handleVariable.Address<int32_t>() : nullptr;
    if (variable) {
        // Kernel handles fit in 32 bits (sign-extended when widened again).
        *variable = static_cast<int32_t>(reinterpret_cast<intptr_t>(thread));
    } else {
        CloseHandle(thread);
    }
}

}  // namespace vx::commands
