// The automation object type of the core library ("对象") and its commands:
// create an object by ProgID or CLSID, call its members late-bound through
// IDispatch and its type information, and report the calling thread's last
// error. No <windows.h> here, so procedures can hold object variables
// without pulling in the platform headers.
#pragma once

#include <cstdint>

#include "runtime/base/value.h"

namespace vx {

namespace type {
constexpr uint32_t ComObject = Make(1, 0x30);  // "对象": address of an ObjectRecord
constexpr uint32_t Variant = Make(1, 0x31);    // address of a VARIANT
}  // namespace type

// What a ComObject value points at. The variable holding the value owns the
// record and the interface reference in it; {nullptr, nullptr} is empty.
struct ObjectRecord {
    void* object = nullptr;      // IUnknown*
    void* recordData = nullptr;  // data of a wrapped user-defined record
};

// Commands (arguments as the command table gives them; a ComObject argument
// carries the record's address, or with the by-address bit the address of a
// variable holding it).
void ObjectCreate(ValueRecord* result, int32_t argc, ValueRecord* args);
void ObjectCallMethod(ValueRecord* result, int32_t argc, ValueRecord* args);
void ObjectCallMethodForObject(ValueRecord* result, int32_t argc, ValueRecord* args);
void ObjectSetProperty(ValueRecord* result, int32_t argc, ValueRecord* args);
void ObjectLastError(ValueRecord* result, int32_t argc, ValueRecord* args);
void ObjectClear(ValueRecord* result, int32_t argc, ValueRecord* args);

// Releases what the record holds and leaves it empty; the record block itself
// stays with its owner. nullptr is ignored. Also the runtime's "clear object"
// host request.
void ClearObject(ObjectRecord* record);
// Clears a record a command returned (a fresh block) and frees the block.
void DisposeObject(ObjectRecord* record);

namespace com {

// Codes of the per-thread last error.
enum ErrorCode : int32_t {
    kOk = 0,
    kEmptyObject = -1,
    kNoDispatch = -2,
    kMemberNotFound = -3,
    kNoTypeInfo = -4,
    kTooManyArguments = -5,
    kNotFontObject = -6,
    kBadArgumentType = -7,
    kResultMismatch = -8,
    kBadParamCount = -9,
    kBadVarType = -10,
    kException = -11,
    kDispMemberNotFound = -12,
    kNoNamedArgs = -13,
    kOverflow = -14,
    kParamNotFound = -15,
    kTypeMismatch = -16,
    kParamNotOptional = -17,
    kOtherFailure = -18,
};

// Text of a code (ANSI code page 936); "" for 0 and unknown codes.
const char* ErrorText(int32_t code);

// The calling thread's last error code.
int32_t LastError();

enum class CallMode { Method, PropertyGet, PropertyPut };

// One late-bound call of member `name` with `count` arguments. `wanted` is the
// runtime type of the wanted result (type::Omitted: none); the result (a
// fresh value owned by the caller, or the empty value of `wanted` on failure)
// goes to *result. Sets and returns the thread's last error.
int32_t LateBoundCall(CallMode mode, const ObjectRecord* object, const char* name, const ValueRecord* args,
                      int32_t count, uint32_t wanted, ValueRecord* result);

}  // namespace com
}  // namespace vx
