// "multithreading library" and "special functions library": thread start,
// Delay, and the lock list released when the program ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/process/services.h"
#include "runtime/base/value.h"

namespace vx::commands {
void ThreadStart(ValueRecord* result, int32_t argc, ValueRecord* args);
void Delay(ValueRecord* result, int32_t argc, ValueRecord* args);
}  // namespace vx::commands

namespace vx::threads {

// Library notifications: message 1 stores the host-request function, message
// 6 (multithreading library) deletes every lock. 0 for message 6, else -1.
intptr_t MultithreadingNotify(int32_t message, intptr_t a, intptr_t b);
intptr_t SpecialFunctionsNotify(int32_t message, intptr_t a, intptr_t b);

// The host-request function each library was handed (the runtime's own
// entry until then).
HostRequestFn MultithreadingHost();
HostRequestFn SpecialFunctionsHost();

// An integer argument: integers as they are, other numbers through the
// runtime's numeric conversion (host request 2001), anything else 0.
int32_t IntegerArgument(HostRequestFn host, const ValueRecord& v);

// The wait between dispatch passes; the busy form is kept for comparison.
enum class DelayWait { kWaitForMessages, kSpin };
void DelayFor(int32_t milliseconds, DelayWait wait = DelayWait::kWaitForMessages);

// A flag that one thread sets once and another waits for while it keeps
// dispatching its window messages (a manual-reset event).
class Signal {
public:
    Signal();
    ~Signal();
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    void Set();
    void Reset();
    void* handle() const { return event_; }

private:
    void* event_;
};

// Delays like DelayFor, but ends as soon as `signal` is set; true when it is.
bool DelayUntil(const Signal& signal, int32_t milliseconds);

// Locks (critical sections) of the multithreading library. Each lives in a
// block of its own on a singly linked list until the program ends.
void* CreateLock();
void EnterLock(void* lock);
void LeaveLock(void* lock);
size_t LockCount();
void ReleaseLocks();

}  // namespace vx::threads
