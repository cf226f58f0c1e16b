// Thread start, Delay and the lock list on real threads, windows and
// message queues.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "installer/library_table.h"
#include "runtime/process/program.h"
#include "runtime/process/services.h"
#include "runtime/threads/threads.h"

namespace vx::commands {
namespace {

ValueRecord CallThreads(CommandFn fn, std::vector<ValueRecord> args) {
    return CallLibraryCommand(kMultithreadingLibrary, fn, static_cast<int32_t>(args.size()), args.data());
}

void CallDelay(int32_t ms) {
    ValueRecord arg = ValueRecord::OfInt(ms);
    CallLibraryCommand(kSpecialFunctionsLibrary, Delay, 1, &arg);
}

// ---- ThreadStart ------------------------------------------------------------

std::atomic<uint32_t> gReceived{0};
std::atomic<DWORD> gWorkerId{0};
HANDLE gRan = nullptr;

DWORD WINAPI Worker(void* parameter) {
    gReceived = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parameter));
    gWorkerId = GetCurrentThreadId();
    SetEvent(gRan);
    return 77;
}

// Open handles of this process, counted by probing the handle table (the
// handle-count query is not available everywhere).
DWORD OpenHandles() {
    DWORD count = 0, flags = 0;
    for (uintptr_t h = 4; h < 0x2000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++count;
    return count;
}

// Waits until the worker's thread object is gone: it lives on while a
// handle to it is open, so a leaked handle shows here as a time-out.
void WaitForThreadExit() {
    for (int i = 0; i < 100; ++i) {
        HANDLE h = OpenThread(SYNCHRONIZE, FALSE, gWorkerId.load());
        if (!h) return;
        CloseHandle(h);
        Sleep(20);
    }
}

ValueRecord Procedure() { return ValueRecord::OfAddress(reinterpret_cast<void*>(&Worker), type::SubProgram); }

class ThreadStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        gRan = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        gReceived = 0;
    }
    void TearDown() override { CloseHandle(gRan); }
};

TEST_F(ThreadStartTest, PassesTheParameterAndHandsOverTheHandle) {
    int32_t handleVariable = 0;
    ValueRecord r = CallThreads(
        ThreadStart, {Procedure(), ValueRecord::OfInt(-5), ValueRecord::OfAddress(&handleVariable, type::Int)});
    EXPECT_EQ(r.low, 1u);
    ASSERT_EQ(WaitForSingleObject(gRan, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gReceived.load(), 0xFFFFFFFBu);
    ASSERT_NE(handleVariable, 0);
    auto thread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(handleVariable));
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 77u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST_F(ThreadStartTest, WithoutTheVariableNoHandleStaysOpen) {
    DWORD before = OpenHandles(), after = 0;
    EXPECT_EQ(CallThreads(ThreadStart, {Procedure()}).low, 1u);
    ASSERT_EQ(WaitForSingleObject(gRan, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gReceived.load(), 0u);  // parameter omitted
    WaitForThreadExit();
    after = OpenHandles();
    EXPECT_EQ(after, before);

    // The count does see a handle that is handed over.
    int32_t handleVariable = 0;
    EXPECT_EQ(
        CallThreads(ThreadStart, {Procedure(), ValueRecord{}, ValueRecord::OfAddress(&handleVariable, type::Int)}).low,
        1u);
    auto handed = reinterpret_cast<HANDLE>(static_cast<intptr_t>(handleVariable));
    ASSERT_EQ(WaitForSingleObject(gRan, 5000), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(handed, 5000), WAIT_OBJECT_0);
    after = OpenHandles();
    EXPECT_EQ(after, before + 1);
    CloseHandle(handed);
    WaitForThreadExit();

    // Given but omitted third record: closed as well.
    before = OpenHandles();
    EXPECT_EQ(CallThreads(ThreadStart, {Procedure(), ValueRecord::OfInt(9), ValueRecord{}}).low, 1u);
    ASSERT_EQ(WaitForSingleObject(gRan, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gReceived.load(), 9u);
    WaitForThreadExit();
    after = OpenHandles();
    EXPECT_EQ(after, before);
}

TEST_F(ThreadStartTest, NullProcedureStartsNothing) {
    EXPECT_EQ(CallThreads(ThreadStart, {ValueRecord::OfAddress(nullptr, type::SubProgram)}).low, 0u);
    EXPECT_EQ(CallThreads(ThreadStart, {}).low, 0u);
}

// ---- Delay ------------------------------------------------------------------

std::atomic<int> gDispatchPasses{0};

intptr_t CountingHost(int32_t request, intptr_t a, intptr_t b) {
    if (request == kHostDispatchMessages) ++gDispatchPasses;
    return HostRequest(request, a, b);
}

struct Counters {
    int timers = 0;
    int posted = 0;
    ULONGLONG postedAt = 0;
    ULONGLONG sentAt = 0;
};
Counters gSeen;
constexpr UINT kPosted = WM_APP + 1, kSent = WM_APP + 2;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER: ++gSeen.timers; return 0;
    case kPosted:
        ++gSeen.posted;
        gSeen.postedAt = GetTickCount64();
        return 0;
    case kSent: gSeen.sentAt = GetTickCount64(); return 1;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

double ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 10000.0;
}

class DelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        threads::SpecialFunctionsNotify(kLibraryHostRequest, reinterpret_cast<intptr_t>(&CountingHost), 0);
        WNDCLASSA wc{};
        wc.lpfnWndProc = CountingProc;
        wc.lpszClassName = "VxDelayTest";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "VxDelayTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd_, nullptr);
        gSeen = {};
        gDispatchPasses = 0;
    }
    void TearDown() override {
        DestroyWindow(hwnd_);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        threads::SpecialFunctionsNotify(kLibraryHostRequest, reinterpret_cast<intptr_t>(&HostRequest), 0);
    }
    HWND hwnd_ = nullptr;
};

TEST_F(DelayTest, ZeroAndNegativeDispatchNothing) {
    PostMessageA(hwnd_, kPosted, 0, 0);
    CallDelay(0);
    CallDelay(-100);
    EXPECT_EQ(gDispatchPasses.load(), 0);
    EXPECT_EQ(gSeen.posted, 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, hwnd_, kPosted, kPosted, PM_NOREMOVE));
}

TEST_F(DelayTest, ExpiredDelayStillDispatchesTwice) {
    PostMessageA(hwnd_, kPosted, 0, 0);
    CallDelay(1);
    EXPECT_GE(gDispatchPasses.load(), 2);
    EXPECT_EQ(gSeen.posted, 1);
}

TEST_F(DelayTest, MessagesFlowWhileWaiting) {
    SetTimer(hwnd_, 1, 30, nullptr);
    ULONGLONG start = GetTickCount64();
    std::thread poster([this] {
        Sleep(100);
        PostMessageA(hwnd_, kPosted, 0, 0);
    });
    double cpuBefore = ThreadCpuMs();
    CallDelay(400);
    double cpu = ThreadCpuMs() - cpuBefore;
    ULONGLONG took = GetTickCount64() - start;
    poster.join();
    KillTimer(hwnd_, 1);
    EXPECT_GE(took, 400u);
    EXPECT_LT(took, 1000u);
    EXPECT_GE(gSeen.timers, 4);
    EXPECT_EQ(gSeen.posted, 1);
    // Handled when it came, not when the delay ended.
    EXPECT_LT(gSeen.postedAt - start, 300u);
    // A wait wakes for each timer tick and the posted message; a spin would
    // run thousands of passes.
    EXPECT_LT(gDispatchPasses.load(), 200);
    EXPECT_LT(cpu, 150.0) << "the delay must wait, not spin";
}

TEST_F(DelayTest, QuitStaysQueuedAndTheWaitDoesNotSpin) {
    PostQuitMessage(3);
    ULONGLONG start = GetTickCount64();
    std::thread sender([this] {
        Sleep(100);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(hwnd_, kSent, 0, 0, SMTO_NORMAL, 2000, &answer);
    });
    double cpuBefore = ThreadCpuMs();
    CallDelay(400);
    double cpu = ThreadCpuMs() - cpuBefore;
    sender.join();
    EXPECT_GE(GetTickCount64() - start, 400u);
    // A message sent from another thread is still answered during the delay.
    ASSERT_NE(gSeen.sentAt, 0u);
    EXPECT_LT(gSeen.sentAt - start, 300u);
    EXPECT_LT(gDispatchPasses.load(), 100);
    EXPECT_LT(cpu, 150.0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

// ---- Library notifications and the lock list ---------------------------------

TEST(ThreadLibraries, NotificationsAndLockRelease) {
    EXPECT_EQ(kLibraries[kMultithreadingLibrary].notify, &threads::MultithreadingNotify);
    EXPECT_EQ(kLibraries[kSpecialFunctionsLibrary].notify, &threads::SpecialFunctionsNotify);

    std::vector<void*> locks;
    std::thread other([&] { locks.push_back(threads::CreateLock()); });
    other.join();
    locks.push_back(threads::CreateLock());
    locks.push_back(threads::CreateLock());
    EXPECT_EQ(threads::LockCount(), 3u);

    // The locks work across threads until the end.
    std::atomic<int> inside{0};
    threads::EnterLock(locks[0]);
    std::thread contender([&] {
        threads::EnterLock(locks[0]);
        inside = 1;
        threads::LeaveLock(locks[0]);
    });
    Sleep(100);
    EXPECT_EQ(inside.load(), 0);
    threads::LeaveLock(locks[0]);
    contender.join();
    EXPECT_EQ(inside.load(), 1);

    auto host = reinterpret_cast<intptr_t>(&HostRequest);
    EXPECT_EQ(kLibraries[kMultithreadingLibrary].notify(kLibraryHostRequest, host, 0), -1);
    EXPECT_EQ(kLibraries[kMultithreadingLibrary].notify(2, 0, 0), -1);
    EXPECT_EQ(kLibraries[kMultithreadingLibrary].notify(kLibraryEnding, 0, 0), 0);
    EXPECT_EQ(threads::LockCount(), 0u);
    EXPECT_EQ(kLibraries[kMultithreadingLibrary].notify(kLibraryEnding, 0, 0), 0);  // twice is harmless
    EXPECT_EQ(kLibraries[kSpecialFunctionsLibrary].notify(kLibraryHostRequest, host, 0), -1);
    EXPECT_EQ(kLibraries[kSpecialFunctionsLibrary].notify(kLibraryEnding, 0, 0), 0);
    EXPECT_EQ(kLibraries[kSpecialFunctionsLibrary].notify(99, 0, 0), -1);
    EXPECT_EQ(threads::SpecialFunctionsHost(), &HostRequest);
}

}  // namespace
}  // namespace vx::commands
