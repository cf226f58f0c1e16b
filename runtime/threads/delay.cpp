#include <windows.h>

#include "runtime/base/args.h"
#include "runtime/threads/threads.h"

namespace vx::threads {
namespace {

void DispatchWaiting(HostRequestFn host) { host(kHostDispatchMessages, 0, 0); }

bool QuitPending() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// Sleeps until a message arrives, `until` (if any) is set or the time is up.
// A queued quit message is left for the message loop and would wake the wait
// at once, so while one is pending only sent messages (handled by the next
// dispatch pass) wake it.
void WaitForMessages(ULONGLONG milliseconds, HANDLE until) {
    DWORD wake = QuitPending() ? QS_SENDMESSAGE : QS_ALLINPUT;
    DWORD timeout = milliseconds > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(milliseconds);
    MsgWaitForMultipleObjectsEx(until ? 1 : 0, until ? &until : nullptr, timeout, wake, MWMO_INPUTAVAILABLE);
}

bool IsSignalled(HANDLE h) { return h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }

// The delay loop: dispatch passes around a wait that a message, the end of
// the time or `until` ends. True when it ended on `until`.
bool Wait(int32_t milliseconds, DelayWait wait, HANDLE until) {
    if (milliseconds <= 0) return IsSignalled(until);
    HostRequestFn host = SpecialFunctionsHost();
    // 64-bit ticks: an end time past the 32-bit wrap must not end the delay
    // at once.
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        DispatchWaiting(host);
        DispatchWaiting(host);
        if (IsSignalled(until)) return true;
        ULONGLONG now = GetTickCount64();
        if (now > end) return false;
        DispatchWaiting(host);
        DispatchWaiting(host);
        if (wait == DelayWait::kWaitForMessages) {
            now = GetTickCount64();
            if (now <= end) WaitForMessages(end - now + 1, until);
        }
    }
}

}  // namespace

void DelayFor(int32_t milliseconds, DelayWait wait) { Wait(milliseconds, wait, nullptr); }

Signal::Signal() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
Signal::~Signal() {
    if (event_) CloseHandle(event_);
}
void Signal::Set() { SetEvent(event_); }
void Signal::Reset() { ResetEvent(event_); }

bool DelayUntil(const Signal& signal, int32_t milliseconds) {
    return Wait(milliseconds, DelayWait::kWaitForMessages, signal.handle());
}

}  // namespace vx::threads

namespace vx::commands {

void Delay(ValueRecord*, int32_t argc, ValueRecord* args) {
    threads::DelayFor(threads::IntegerArgument(threads::SpecialFunctionsHost(), Arg(argc, args, 0)));
}

}  // namespace vx::commands
