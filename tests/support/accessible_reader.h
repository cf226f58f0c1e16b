// What a screen reader reads of a window: its client object asked as a
// reader in this process asks it (WM_GETOBJECT, then ObjectFromLresult), or
// as a reader in another process does (AccessibleObjectFromWindow). Wine
// answers the latter with E_NOINTERFACE for its own standard objects (a
// plain edit box) but marshals the controls' own objects.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

namespace vx::test {

struct AccessibleRead {
    bool answered = false;  // the window gave an object for OBJID_CLIENT
    long role = 0;
    long state = 0;
    std::string name;  // in the program's code page
    std::string value;
    long children = -1;
};

AccessibleRead ReadAccessible(HWND hwnd);
AccessibleRead ReadAccessibleFromAnotherProcess(HWND hwnd);

// Counts the object events (state, name, value changes) raised for a
// window's client object by a process (this one by default) while it lives.
// They reach this thread through its message queue, which Count empties
// first. One at a time.
class AccessEvents {
public:
    explicit AccessEvents(DWORD processId = GetCurrentProcessId());
    ~AccessEvents();
    AccessEvents(const AccessEvents&) = delete;
    AccessEvents& operator=(const AccessEvents&) = delete;
    int Count(DWORD event, HWND hwnd);

private:
    HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace vx::test
