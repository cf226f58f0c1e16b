#include <windows.h>

#include <new>

#include "runtime/base/memory.h"
#include "runtime/win32/srw_hold.h"
#include "runtime/threads/threads.h"

namespace vx::threads {
namespace {

struct LockNode {
    LockNode* next;
    CRITICAL_SECTION section;
};

// Locks may be created from any thread; the list itself is guarded.
SRWLOCK gListGuard = SRWLOCK_INIT;
LockNode* gLocks = nullptr;

}  // namespace

void* CreateLock() {
    auto* node = static_cast<LockNode*>(Allocate(sizeof(LockNode)));
    InitializeCriticalSection(&node->section);
    ExclusiveHold guard(gListGuard);
    node->next = gLocks;
    gLocks = node;
    return &node->section;
}

void EnterLock(void* lock) {
    if (lock) EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock));
}

void LeaveLock(void* lock) {
    if (lock) LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock));
}

size_t LockCount() {
    ExclusiveHold guard(gListGuard);
    size_t n = 0;
    for (LockNode* node = gLocks; node; node = node->next) ++n;
    return n;
}

void ReleaseLocks() {
    LockNode* node;
    {
        ExclusiveHold guard(gListGuard);
        node = gLocks;
        gLocks = nullptr;
    }
    while (node) {
        LockNode* next = node->next;
        DeleteCriticalSection(&node->section);
        Free(node);
        node = next;
    }
}

}  // namespace vx::threads
