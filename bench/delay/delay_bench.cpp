// CPU time of a 2-second Delay on an idle window thread: the busy dispatch
// loop against the loop that waits for messages between passes.
//   delay_bench            both, with the ratio
//   delay_bench spin|wait  one of them (run.sh adds the wine server's share)
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "runtime/threads/threads.h"

namespace {

constexpr int32_t kDelayMs = 2000;

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 10000.0;
}

double Measure(vx::threads::DelayWait wait, const char* name) {
    // A window of its own, as on the installer's window thread.
    HWND hwnd = CreateWindowExA(0, "STATIC", "delay", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    double cpu = ProcessCpuMs();
    ULONGLONG start = GetTickCount64();
    vx::threads::DelayFor(kDelayMs, wait);
    ULONGLONG wall = GetTickCount64() - start;
    cpu = ProcessCpuMs() - cpu;
    DestroyWindow(hwnd);
    std::printf("Delay(%d) %-5s wall %5llu ms  process cpu %8.1f ms\n", kDelayMs, name,
                static_cast<unsigned long long>(wall), cpu);
    return cpu;
}

}  // namespace

int main(int argc, char** argv) {
    using vx::threads::DelayWait;
    if (argc > 1 && std::strcmp(argv[1], "spin") == 0) return Measure(DelayWait::kSpin, "spin"), 0;
    if (argc > 1 && std::strcmp(argv[1], "wait") == 0) return Measure(DelayWait::kWaitForMessages, "wait"), 0;
    double spin = Measure(DelayWait::kSpin, "spin");
    double wait = Measure(DelayWait::kWaitForMessages, "wait");
    std::printf("process cpu ratio spin/wait: %.0fx\n", spin / (wait > 0.1 ? wait : 0.1));
    return 0;
}
