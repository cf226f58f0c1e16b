#include <windows.h>

#include <new>

#include "runtime/base/memory.h"
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

class ListGuard {
public:
    ListGuard() { AcquireSRWLockExclusive(&gListGuard); }
    ~ListGuard() { ReleaseSRWLockExclusive(&gListGuard); }
    ListGuard(const ListGuard&) = delete;
    ListGuard& operator=(const ListGuard&) = delete;
};

}  // namespace

void* CreateLock() {
    auto* node = static_cast<LockNode*>(Allocate(sizeof(LockNode)));
    InitializeCriticalSection(&node->section);
    ListGuard guard;
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
    ListGuard guard;
    size_t n = 0;
    for (LockNode* node = gLocks; node; node = node->next) ++n;
    return n;
}

void ReleaseLocks() {
    LockNode* node;
    {
        ListGuard guard;
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
