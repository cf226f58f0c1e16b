// Crossing between runtime values and VARIANTs for late-bound calls.
#pragma once

#include "runtime/com/com_object.h"
#include "runtime/com/com_ptr.h"

namespace vx::com {

// A parameter's type as a VARIANT type. VT_EMPTY: nothing known, pass the
// argument as converted.
struct DeclaredType {
    VARTYPE vt = VT_EMPTY;
    bool byRef = false;
};

// Resolves aliases, enumerations, interfaces and pointers of a type
// description found in `owner`.
DeclaredType ResolveDeclared(ITypeInfo* owner, const TYPEDESC& desc);

// The argument's value itself: read through the caller's variable when the
// record is by address. The type code loses the by-address bit.
ValueRecord LoadArgument(const ValueRecord& arg);

// Runtime value -> VARIANT before any coercion; `declared` decides how an
// object is passed. kOk or kBadArgumentType.
int32_t ToVariant(const ValueRecord& arg, VARTYPE declared, VARIANT* out);

// VARIANT (references followed) -> a fresh runtime value of type `wanted`.
// false when it cannot be converted (nothing is allocated then).
bool FromVariant(const VARIANT& v, uint32_t wanted, ValueRecord* out);

// The empty value of `wanted`: an empty fresh record for an object, an empty
// fresh VARIANT for the variant type, zero words otherwise.
ValueRecord EmptyValue(uint32_t wanted);

// Stores v, converted to the variable's type, into the by-address argument's
// variable, disposing of the old value. false (variable unchanged) when the
// value cannot be converted.
bool WriteBack(const ValueRecord& arg, const VARIANT& v);

}  // namespace vx::com
