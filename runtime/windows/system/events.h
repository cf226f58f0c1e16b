// Event dispatch: the path from a unit to the installer procedure bound to
// one of its events in the window template.
#pragma once

#include <cstdint>

namespace vx::windows {

// A procedure bound to an event. It receives the event's argument words; when
// it gives back a value it stores it in *result and returns true.
//
// The program's procedure table is an array of EventProcedure; the program
// descriptor's procedure base is its address and a template handler offset is
// a byte offset into it (entry i: offset i * sizeof(EventProcedure)). So a
// resolved handler address is the address of a table entry, and the
// dispatcher calls *reinterpret_cast<const EventProcedure*>(address).
using EventProcedure = bool (*)(const int32_t* args, int32_t argc, int32_t* result);

// What a raiser hands the dispatcher (also the argument of host request kHostRaiseEvent).
struct EventRecord {
    uint32_t windowId = 0;
    uint32_t unitId = 0;  // 0: the window's own unit
    int32_t event = 0;
    int32_t argc = 0;  // at most 5
    int32_t args[5] = {};
    bool hasResult = false;
    int32_t result = 0;
};

// Calls the bound procedure; false when no procedure ran. Raises the
// run-time errors for an unknown window or unit or a unit that cannot raise
// events.
bool DispatchEvent(EventRecord& record);

// Shorthand for types: raise event n of a unit with up to five arguments.
// Returns whether a procedure ran; *result (if given) receives its value
// when it gave one, and *hasResult whether it did.
bool RaiseEvent(uint32_t windowId, uint32_t unitId, int32_t event, const int32_t* args = nullptr, int32_t argc = 0,
                int32_t* result = nullptr, bool* hasResult = nullptr);

// The unit whose event is being handled right now (window id 0 outside a
// handler).
struct EventSource {
    uint32_t windowId;
    uint32_t unitId;
};
EventSource CurrentEventSource();

}  // namespace vx::windows
