#include "runtime/com/variant_convert.h"

#include <cstring>
#include <new>

#include "runtime/base/memory.h"

namespace vx::com {
namespace {

struct Resolved {
    VARTYPE vt = VT_EMPTY;
    bool byRef = false;
    bool isInterface = false;  // a named interface: a pointer to it is passed by value
};

// Alias chains in a broken type library must not recurse forever.
constexpr int kMaxTypeDepth = 16;

Resolved ResolveUserDefined(ITypeInfo* owner, HREFTYPE ref, int depth);

Resolved Resolve(ITypeInfo* owner, const TYPEDESC& desc, int depth) {
    if (depth > kMaxTypeDepth) return {};
    VARTYPE vt = desc.vt;
    if (vt & VT_BYREF) {
        // Some type information (made from INTERFACEDATA) marks references
        // on the type itself instead of through VT_PTR.
        TYPEDESC inner = desc;
        inner.vt = static_cast<VARTYPE>(vt & ~VT_BYREF);
        Resolved r = Resolve(owner, inner, depth + 1);
        r.byRef = true;
        r.isInterface = false;
        return r;
    }
    switch (vt) {
    case VT_PTR: {
        if (!desc.lptdesc) return {};
        Resolved inner = Resolve(owner, *desc.lptdesc, depth + 1);
        if (inner.isInterface) return {inner.vt, false, false};
        return {inner.vt, true, false};
    }
    case VT_USERDEFINED: return ResolveUserDefined(owner, desc.hreftype, depth);
    case VT_SAFEARRAY: {
        VARTYPE element = desc.lptdesc ? Resolve(owner, *desc.lptdesc, depth + 1).vt : VARTYPE(VT_VARIANT);
        if (element == VT_EMPTY) element = VT_VARIANT;
        return {static_cast<VARTYPE>(VT_ARRAY | element), false, false};
    }
    case VT_CARRAY: {
        VARTYPE element = desc.lpadesc ? Resolve(owner, desc.lpadesc->tdescElem, depth + 1).vt : VARTYPE(VT_VARIANT);
        if (element == VT_EMPTY) element = VT_VARIANT;
        return {static_cast<VARTYPE>(VT_ARRAY | element), false, false};
    }
    case VT_HRESULT: return {VT_ERROR, false, false};
    case VT_VOID:
    case VT_LPSTR:
    case VT_LPWSTR: return {};
    default: return {vt, false, false};
    }
}

Resolved ResolveUserDefined(ITypeInfo* owner, HREFTYPE ref, int depth) {
    ComPtr<ITypeInfo> info;
    if (!owner || FAILED(owner->GetRefTypeInfo(ref, info.put())) || !info) return {};
    TypeAttr attr(info.get());
    if (!attr.get()) return {};
    switch (attr->typekind) {
    case TKIND_ALIAS: return Resolve(info.get(), attr->tdescAlias, depth + 1);
    case TKIND_ENUM: return {VT_I4, false, false};
    case TKIND_RECORD:
    case TKIND_UNION: return {VT_RECORD, false, false};
    case TKIND_DISPATCH: return {VT_DISPATCH, false, true};
    case TKIND_INTERFACE:
        return {(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE) ? VARTYPE(VT_DISPATCH) : VARTYPE(VT_UNKNOWN), false, true};
    case TKIND_COCLASS: return {VT_UNKNOWN, false, true};
    default: return {};
    }
}

ObjectRecord* NewObjectRecord(IUnknown* object) {
    auto* record = new (Allocate(sizeof(ObjectRecord))) ObjectRecord{};
    record->object = object;
    return record;
}

VARIANT* NewVariantBlock() {
    auto* block = static_cast<VARIANT*>(Allocate(sizeof(VARIANT)));
    VariantInit(block);
    return block;
}

int32_t ObjectToVariant(const ObjectRecord* record, VARTYPE declared, VARIANT* out) {
    out->vt = VT_UNKNOWN;
    out->punkVal = nullptr;
    if (!record || !record->object) return kOk;
    auto* object = static_cast<IUnknown*>(record->object);
    if (record->recordData) {
        // The record information lends the data; VariantCopy makes the copy
        // the callee may clear.
        auto info = Share(object).query<IRecordInfo>(IID_IRecordInfo);
        if (!info) return kOk;
        VARIANT view;
        VariantInit(&view);
        view.vt = VT_RECORD;
        view.pvRecord = record->recordData;
        view.pRecInfo = info.get();
        VariantInit(out);
        return SUCCEEDED(VariantCopy(out, &view)) ? kOk : kBadArgumentType;
    }
    switch (declared) {
    case VT_UNKNOWN:
        object->AddRef();
        out->punkVal = object;
        break;
    case VT_DISPATCH: {
        IDispatch* dispatch = nullptr;
        if (SUCCEEDED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) && dispatch) {
            out->vt = VT_DISPATCH;
            out->pdispVal = dispatch;
        }
        break;
    }
    case VT_VARIANT: {
        // A parameter that takes anything gets the object itself.
        IDispatch* dispatch = nullptr;
        if (SUCCEEDED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) && dispatch) {
            out->vt = VT_DISPATCH;
            out->pdispVal = dispatch;
        } else {
            object->AddRef();
            out->punkVal = object;
        }
        break;
    }
    default: break;
    }
    return kOk;
}

struct ResultType {
    uint32_t runtimeType;
    VARTYPE vt;
};

constexpr ResultType kResultTypes[] = {
    {type::ComObject, VT_UNKNOWN}, {type::Bool, VT_BOOL}, {type::DateTime, VT_DATE}, {type::Text, VT_BSTR},
    {type::Byte, VT_UI1},          {type::Short, VT_I2},  {type::Int, VT_I4},        {type::Long, VT_I4},
    {type::Float, VT_R4},          {type::Double, VT_R8},
};

VARTYPE VariantTypeOf(uint32_t runtimeType) {
    for (const ResultType& t : kResultTypes)
        if (t.runtimeType == runtimeType) return t.vt;
    return VT_EMPTY;
}

ValueRecord OfBits(uint64_t bits, uint32_t code) {
    return {static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32), code};
}

template <class T>
uint64_t BitsOf(T value) {
    static_assert(sizeof(T) <= 8);
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}

template <class T>
T LoadSlot(const uint8_t* address) {
    T value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

template <class T>
void StoreSlot(uint8_t* address, T value) {
    std::memcpy(address, &value, sizeof value);
}

}  // namespace

DeclaredType ResolveDeclared(ITypeInfo* owner, const TYPEDESC& desc) {
    Resolved r = Resolve(owner, desc, 0);
    return {r.vt, r.byRef};
}

ValueRecord LoadArgument(const ValueRecord& arg) {
    uint32_t base = type::Base(arg.type);
    if (!type::IsByAddress(arg.type) || base == type::Omitted) return {arg.low, arg.high, base};
    const auto* variable = arg.Address<const uint8_t>();
    size_t size = type::StorageSize(base);
    if (!variable || size == 0 || size > 8) return {0, 0, base};
    uint64_t bits = 0;
    std::memcpy(&bits, variable, size);
    return OfBits(bits, base);
}

int32_t ToVariant(const ValueRecord& arg, VARTYPE declared, VARIANT* out) {
    VariantInit(out);
    ValueRecord v = LoadArgument(arg);
    switch (v.type) {
    case type::Omitted:
        out->vt = VT_ERROR;
        out->scode = DISP_E_PARAMNOTFOUND;
        return kOk;
    case type::Bool:
        out->vt = VT_BOOL;
        out->boolVal = v.low ? VARIANT_TRUE : VARIANT_FALSE;
        return kOk;
    case type::DateTime:
        out->vt = VT_DATE;
        out->date = v.Double();
        return kOk;
    case type::Text:
        out->vt = VT_BSTR;
        out->bstrVal = BstrFromAnsi(v.Text()).release();
        return kOk;
    case type::Byte:
        out->vt = VT_UI1;
        out->bVal = static_cast<BYTE>(v.low);
        return kOk;
    case type::Short:
        out->vt = VT_I2;
        out->iVal = static_cast<SHORT>(v.low);
        return kOk;
    case type::Int:
    case type::Long:  // only the low 32 bits cross
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(v.low);
        return kOk;
    case type::Float:
        out->vt = VT_R4;
        out->fltVal = v.Float();
        return kOk;
    case type::Double:
        out->vt = VT_R8;
        out->dblVal = v.Double();
        return kOk;
    case type::ComObject: return ObjectToVariant(v.Address<const ObjectRecord>(), declared, out);
    case type::Variant: {
        auto* source = v.Address<VARIANT>();
        if (!source) return kOk;
        return SUCCEEDED(VariantCopyInd(out, source)) ? kOk : kBadArgumentType;
    }
    default: return kBadArgumentType;
    }
}

bool FromVariant(const VARIANT& v, uint32_t wanted, ValueRecord* out) {
    Variant value;
    if (FAILED(VariantCopyInd(value.get(), const_cast<VARIANT*>(&v)))) return false;
    if (wanted == type::Variant) {
        VARIANT* block = NewVariantBlock();
        *block = value.release();
        *out = ValueRecord::OfAddress(block, type::Variant);
        return true;
    }
    if (value->vt == VT_RECORD) return false;
    VARTYPE target = VariantTypeOf(wanted);
    if (target == VT_EMPTY) return false;
    if (value->vt != target && FAILED(VariantChangeType(value.get(), value.get(), 0, target))) return false;
    switch (wanted) {
    case type::ComObject: {
        IUnknown* object = value->punkVal;
        if (object) object->AddRef();
        *out = ValueRecord::OfAddress(NewObjectRecord(object), type::ComObject);
        return true;
    }
    case type::Bool: *out = {value->boolVal ? 1u : 0u, 0, type::Bool}; return true;
    case type::DateTime: *out = OfBits(BitsOf(value->date), type::DateTime); return true;
    case type::Text: {
        BSTR b = value->bstrVal;
        *out = ValueRecord::OfText(NewText(AnsiFromWide(b, b ? SysStringLen(b) : 0)));
        return true;
    }
    case type::Byte: *out = {value->bVal, 0, type::Byte}; return true;
    case type::Short: *out = {static_cast<uint32_t>(int32_t(value->iVal)), 0, type::Short}; return true;
    case type::Int: *out = {static_cast<uint32_t>(value->lVal), 0, type::Int}; return true;
    case type::Long: *out = ValueRecord::OfLong(value->lVal); return true;
    case type::Float: *out = OfBits(BitsOf(value->fltVal), type::Float); return true;
    case type::Double: *out = OfBits(BitsOf(value->dblVal), type::Double); return true;
    default: return false;
    }
}

ValueRecord EmptyValue(uint32_t wanted) {
    if (wanted == type::ComObject) return ValueRecord::OfAddress(NewObjectRecord(nullptr), type::ComObject);
    if (wanted == type::Variant) return ValueRecord::OfAddress(NewVariantBlock(), type::Variant);
    return {0, 0, wanted};
}

bool WriteBack(const ValueRecord& arg, const VARIANT& v) {
    uint32_t base = type::Base(arg.type);
    auto* variable = arg.Address<uint8_t>();
    if (!type::IsByAddress(arg.type) || !variable) return false;
    ValueRecord fresh;
    if (!FromVariant(v, base, &fresh)) return false;
    switch (base) {
    case type::Text: {
        // The variable holds a runtime block, a literal or nothing: the
        // caller's contract, since only such texts may be freed here.
        char* old = LoadSlot<char*>(variable);
        StoreSlot(variable, fresh.Address<char>());
        Free(old);
        return true;
    }
    case type::ComObject: {
        // The old record stays where the variable's owner put it; only its
        // contents are replaced.
        auto* old = LoadSlot<ObjectRecord*>(variable);
        auto* made = fresh.Address<ObjectRecord>();
        if (!old) {
            StoreSlot(variable, made);
            return true;
        }
        ClearObject(old);
        *old = *made;
        Free(made);
        return true;
    }
    case type::Variant: {
        auto* old = LoadSlot<VARIANT*>(variable);
        auto* made = fresh.Address<VARIANT>();
        if (!old) {
            StoreSlot(variable, made);
            return true;
        }
        VariantClear(old);
        *old = *made;
        Free(made);
        return true;
    }
    default: {
        uint64_t bits = (uint64_t(fresh.high) << 32) | fresh.low;
        std::memcpy(variable, &bits, type::StorageSize(base));
        return true;
    }
    }
}

}  // namespace vx::com
