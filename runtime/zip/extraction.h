// The extract and current-file commands of the ZIP unit, and the seam through
// which its progress event reaches the window system's dispatcher.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/base/value.h"

namespace vx::zip {

// Raises event `event` of unit (windowId, unitId) with argc argument words.
// Returns whether a handler ran; *hasResult tells whether it gave back a
// value and *result holds it. Same shape as the window system's RaiseEvent.
using EventRaiser = bool (*)(uint32_t windowId, uint32_t unitId, int32_t event, const int32_t* args, int32_t argc,
                             int32_t* result, bool* hasResult);

// Until a raiser is installed, extractions run and record the current file
// name but raise no event.
void SetEventRaiser(EventRaiser raiser);

struct UnitRef {
    uint32_t windowId = 0;
    uint32_t unitId = 0;
};

// Unpacks archive into destination entry by entry. owner: the unit to report
// to, or null for no reports. 1 finished or stopped by the handler, 0 failed,
// -1 an argument is missing or empty, or the archive does not exist.
int32_t Extract(const char* archive, const char* destination, const UnitRef* owner);

// The full target path of the entry reported last, shared by every unit of
// the process and kept between extractions.
std::string CurrentFileName();

// Commands (argument 0 is the unit: low word window id, high word unit id).
// Extract(unit, archive text, destination text) -> integer.
void ExtractCommand(ValueRecord* result, int32_t argc, ValueRecord* args);
// CurrentFileName(unit) -> fresh text, or the empty text.
void CurrentFileNameCommand(ValueRecord* result, int32_t argc, ValueRecord* args);

}  // namespace vx::zip
