// Calling the object commands through the service entry, as procedures do.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/com/com_object.h"
#include "runtime/base/memory.h"
#include "runtime/process/services.h"

namespace vx::test {

inline ValueRecord Command(CommandFn fn, std::initializer_list<ValueRecord> args) {
    std::vector<ValueRecord> records(args);
    return CallCommand(fn, static_cast<int32_t>(records.size()), records.data());
}

inline ValueRecord Obj(ObjectRecord* record) { return ValueRecord::OfAddress(record, type::ComObject); }
inline ValueRecord Txt(const char* text) { return ValueRecord::OfText(text); }
inline ValueRecord TextRef(char** variable) { return ValueRecord::OfAddress(variable, type::Text | type::ByAddress); }
template <class T>
ValueRecord Ref(T* variable, uint32_t code) {
    return ValueRecord::OfAddress(variable, code | type::ByAddress);
}
inline ValueRecord Omit() { return ValueRecord{}; }
inline ValueRecord Num(int32_t v) { return ValueRecord::OfInt(v); }

// ObjectLastError's text, freed after copying.
inline std::string LastErrorText() {
    ValueRecord r = Command(ObjectLastError, {Omit()});
    std::string text = r.Text() ? r.Text() : "";
    Free(r.Text());
    return text;
}

// A record holding an interface (a reference added), as ObjectCreate leaves it.
inline ObjectRecord Holding(IUnknown* object) {
    object->AddRef();
    return ObjectRecord{object, nullptr};
}

// The identity of a COM object: its IUnknown.
inline IUnknown* Identity(void* object) {
    if (!object) return nullptr;
    IUnknown* unknown = nullptr;
    static_cast<IUnknown*>(object)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    if (unknown) unknown->Release();
    return unknown;
}

}  // namespace vx::test
