#include <windows.h>

#include "runtime/commands/args.h"
#include "runtime/threads/threads.h"

namespace vx::threads {
namespace {

void DispatchWaiting(HostRequestFn host) { host(kHostDispatchMessages, 0, 0); }

bool QuitPending() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// Sleeps until a message arrives or the time is up. A queued quit message is
// left for the message loop and would wake the wait at once, so while one is
// pending only sent messages (handled by the next dispatch pass) wake it.
void WaitForMessages(ULONGLONG milliseconds) {
    DWORD wake = QuitPending() ? QS_SENDMESSAGE : QS_ALLINPUT;
    DWORD timeout = milliseconds > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(milliseconds);
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, wake, MWMO_INPUTAVAILABLE);
}

}  // namespace

void DelayFor(int32_t milliseconds, DelayWait wait) {
    if (milliseconds <= 0) return;
    HostRequestFn host = SpecialFunctionsHost();
    // 64-bit ticks: an end time past the 32-bit wrap must not end the delay
    // at once.
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        DispatchWaiting(host);
        DispatchWaiting(host);
        ULONGLONG now = GetTickCount64();
        if (now > end) return;
        DispatchWaiting(host);
        DispatchWaiting(host);
        if (wait == DelayWait::kWaitForMessages) {
            now = GetTickCount64();
            if (now <= end) WaitForMessages(end - now + 1);
        }
    }
}

}  // namespace vx::threads

namespace vx::commands {

void Delay(ValueRecord*, int32_t argc, ValueRecord* args) {
    threads::DelayFor(threads::IntegerArgument(threads::SpecialFunctionsHost(), Arg(argc, args, 0)));
}

}  // namespace vx::commands
