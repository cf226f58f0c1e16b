// Late-bound calls: the member is bound by name through the object's type
// information (ITypeComp), then invoked through IDispatch.
#include <iterator>
#include <string>
#include <vector>

#include "runtime/com/com_object.h"
#include "runtime/com/com_ptr.h"
#include "runtime/com/variant_convert.h"

namespace vx::com {
namespace {

thread_local int32_t t_lastError = kOk;

// Invocation kinds tried in turn until one binds.
constexpr WORD kMethodKinds[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF};
constexpr WORD kGetKinds[] = {INVOKE_PROPERTYGET, INVOKE_FUNC};
constexpr WORD kPutKinds[] = {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC};

struct KindOrder {
    const WORD* kinds;
    size_t count;
};

KindOrder KindsOf(CallMode mode) {
    switch (mode) {
    case CallMode::PropertyGet: return {kGetKinds, std::size(kGetKinds)};
    case CallMode::PropertyPut: return {kPutKinds, std::size(kPutKinds)};
    default: return {kMethodKinds, std::size(kMethodKinds)};
    }
}

struct FailureCode {
    HRESULT hr;
    int32_t code;
};

constexpr FailureCode kInvokeFailures[] = {
    {DISP_E_BADPARAMCOUNT, kBadParamCount},
    {DISP_E_BADVARTYPE, kBadVarType},
    {DISP_E_EXCEPTION, kException},
    {DISP_E_MEMBERNOTFOUND, kDispMemberNotFound},
    {DISP_E_NONAMEDARGS, kNoNamedArgs},
    {DISP_E_OVERFLOW, kOverflow},
    {DISP_E_PARAMNOTFOUND, kParamNotFound},
    {DISP_E_TYPEMISMATCH, kTypeMismatch},
    {DISP_E_PARAMNOTOPTIONAL, kParamNotOptional},
};

int32_t CodeOfFailure(HRESULT hr) {
    for (const FailureCode& f : kInvokeFailures)
        if (f.hr == hr) return f.code;
    return kOtherFailure;
}

// What a name bound to: the member id, how to invoke it and its parameters.
struct Member {
    MEMBERID id = MEMBERID_NIL;
    WORD kind = INVOKE_FUNC;
    std::vector<DeclaredType> params;
    bool varargs = false;
};

// One ITypeComp::Bind result; owns the description it hands out.
class Binding {
public:
    Binding() { ptr_.lpfuncdesc = nullptr; }
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;
    ~Binding() { Reset(); }

    // true when the name bound to a function or a variable.
    bool Bind(ITypeComp* comp, LPOLESTR name, ULONG hash, WORD kind) {
        Reset();
        if (FAILED(comp->Bind(name, hash, kind, info_.put(), &desc_, &ptr_))) {
            // Nothing usable came back; drop whatever the slots hold.
            desc_ = DESCKIND_NONE;
            ptr_.lpfuncdesc = nullptr;
            info_.reset();
            return false;
        }
        return desc_ == DESCKIND_FUNCDESC || desc_ == DESCKIND_VARDESC || desc_ == DESCKIND_IMPLICITAPPOBJ;
    }

    Member Describe(CallMode mode) const {
        Member m;
        if (desc_ == DESCKIND_FUNCDESC) {
            const FUNCDESC* f = ptr_.lpfuncdesc;
            m.id = f->memid;
            m.kind = static_cast<WORD>(f->invkind);
            m.varargs = f->cParamsOpt == -1;
            for (SHORT i = 0; i < f->cParams; ++i) {
                const ELEMDESC& e = f->lprgelemdescParam[i];
                // A return slot or locale slot of a vtable signature is not
                // an argument the caller supplies.
                if (e.paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) continue;
                m.params.push_back(ResolveDeclared(info_.get(), e.tdesc));
            }
            return m;
        }
        const VARDESC* v = ptr_.lpvardesc;
        m.id = v->memid;
        if (mode == CallMode::PropertyPut) {
            DeclaredType t = ResolveDeclared(info_.get(), v->elemdescVar.tdesc);
            VARTYPE plain = static_cast<VARTYPE>(t.vt & ~VT_BYREF);
            bool byReference = plain == VT_UNKNOWN || plain == VT_DISPATCH || (plain & VT_ARRAY);
            m.kind = byReference ? INVOKE_PROPERTYPUTREF : INVOKE_PROPERTYPUT;
            t.byRef = false;
            m.params.push_back(t);
        } else {
            m.kind = INVOKE_PROPERTYGET;
        }
        return m;
    }

private:
    void Reset() {
        switch (desc_) {
        case DESCKIND_FUNCDESC:
            if (info_ && ptr_.lpfuncdesc) info_->ReleaseFuncDesc(ptr_.lpfuncdesc);
            break;
        case DESCKIND_VARDESC:
        case DESCKIND_IMPLICITAPPOBJ:
            if (info_ && ptr_.lpvardesc) info_->ReleaseVarDesc(ptr_.lpvardesc);
            break;
        case DESCKIND_TYPECOMP:
            if (ptr_.lptcomp) ptr_.lptcomp->Release();
            break;
        default: break;
        }
        desc_ = DESCKIND_NONE;
        ptr_.lpfuncdesc = nullptr;
        info_.reset();
    }

    ComPtr<ITypeInfo> info_;
    DESCKIND desc_ = DESCKIND_NONE;
    BINDPTR ptr_;
};

bool IsOmitted(const ValueRecord& arg) { return type::Base(arg.type) == type::Omitted; }

// Puts the converted argument `value` into the slot IDispatch receives: by
// reference for VARIANT and by-reference parameters (the value stays in
// `value` so it can be written back), otherwise coerced and handed over. A
// missing argument travels as itself, so callees can recognise it.
void PlaceArgument(VARIANT& value, const DeclaredType& declared, bool omitted, VARIANT* slot) {
    bool asVariant = declared.vt == VT_VARIANT ||
                     (declared.byRef && (value.vt == VT_EMPTY || value.vt == VT_NULL || value.vt == VT_RECORD));
    if (!omitted && asVariant) {
        slot->vt = VT_VARIANT | VT_BYREF;
        slot->pvarVal = &value;
        return;
    }
    if (!omitted && declared.vt != VT_EMPTY && value.vt != declared.vt)
        VariantChangeType(&value, &value, 0, declared.vt);  // failure: passed as converted
    if (!omitted && declared.byRef) {
        slot->vt = static_cast<VARTYPE>(VT_BYREF | value.vt);
        slot->byref = value.vt == VT_DECIMAL ? static_cast<void*>(&value.decVal) : static_cast<void*>(&value.llVal);
        return;
    }
    *slot = value;
    VariantInit(&value);
}

int32_t Call(CallMode mode, const ObjectRecord* object, const char* name, const ValueRecord* args, int32_t count,
             uint32_t wanted, ValueRecord* result) {
    if (!object || !object->object) return kEmptyObject;
    ComPtr<IDispatch> dispatch = Share(static_cast<IUnknown*>(object->object)).query<IDispatch>(IID_IDispatch);
    if (!dispatch) return kNoDispatch;
    ComPtr<ITypeInfo> info;
    ComPtr<ITypeComp> comp;
    if (FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info) return kNoTypeInfo;
    if (FAILED(info->GetTypeComp(comp.put())) || !comp) return kNoTypeInfo;

    std::wstring wide = WideFromAnsi(name);
    ULONG hash = LHashValOfNameSys(SYS_WIN32, LOCALE_USER_DEFAULT, wide.c_str());
    Binding binding;
    bool bound = false;
    KindOrder order = KindsOf(mode);
    for (size_t k = 0; k < order.count && !bound; ++k)
        bound = binding.Bind(comp.get(), wide.data(), hash, order.kinds[k]);
    if (!bound) return kMemberNotFound;
    Member member = binding.Describe(mode);

    while (count > 0 && IsOmitted(args[count - 1])) --count;
    if (count < 0) count = 0;
    size_t n = static_cast<size_t>(count);
    if (n > member.params.size() && !member.varargs) return kTooManyArguments;

    VariantArray values(n), passed(n);
    std::vector<DeclaredType> declared(n);
    for (size_t i = 0; i < n; ++i) {
        if (i < member.params.size()) declared[i] = member.params[i];
        else if (!member.params.empty()) declared[i] = member.params.back();
        int32_t code = ToVariant(args[i], declared[i].vt, &values[i]);
        if (code != kOk) return code;
        PlaceArgument(values[i], declared[i], IsOmitted(args[i]), &passed[n - 1 - i]);
    }

    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(n), 0};
    if ((member.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) && n > 0) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant out;
    ExcepInfo exception;
    UINT argumentError = 0;
    HRESULT hr = dispatch->Invoke(member.id, IID_NULL, LOCALE_USER_DEFAULT, member.kind, &params, out.get(),
                                  exception.get(), &argumentError);
    if (FAILED(hr)) return CodeOfFailure(hr);

    for (size_t i = 0; i < n; ++i)
        if (declared[i].byRef && type::IsByAddress(args[i].type) && !IsOmitted(args[i])) WriteBack(args[i], values[i]);
    if (wanted != type::Omitted && !FromVariant(*out.get(), wanted, result)) return kResultMismatch;
    return kOk;
}

}  // namespace

int32_t LastError() { return t_lastError; }

int32_t LateBoundCall(CallMode mode, const ObjectRecord* object, const char* name, const ValueRecord* args,
                      int32_t count, uint32_t wanted, ValueRecord* result) {
    ValueRecord made{0, 0, wanted};
    int32_t code = Call(mode, object, name, args, count, wanted, &made);
    if (code != kOk && wanted != type::Omitted) made = EmptyValue(wanted);
    if (result) *result = made;
    t_lastError = code;
    return code;
}

}  // namespace vx::com
