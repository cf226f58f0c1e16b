#include "tests/com/probe_object.h"

#include <oleauto.h>

#include <iterator>

namespace vx::test {
namespace {

OLECHAR* W(const wchar_t* s) { return const_cast<OLECHAR*>(s); }

PARAMDATA kRecordParams[] = {{W(L"a"), VT_VARIANT}, {W(L"b"), VT_VARIANT}, {W(L"c"), VT_VARIANT}};
PARAMDATA kLabelPutParams[] = {{W(L"value"), VT_BSTR}};
PARAMDATA kFailParams[] = {{W(L"hr"), VT_I4}};
PARAMDATA kSwapParams[] = {{W(L"s"), VT_BSTR | VT_BYREF}, {W(L"n"), VT_I4 | VT_BYREF}};
PARAMDATA kTakeParams[] = {{W(L"u"), VT_UNKNOWN}, {W(L"d"), VT_DISPATCH}, {W(L"v"), VT_VARIANT}, {W(L"x"), VT_I4}};
PARAMDATA kBumpParams[] = {{W(L"v"), VT_VARIANT | VT_BYREF}};
PARAMDATA kNumberParams[] = {{W(L"x"), VT_I4}, {W(L"y"), VT_R8}, {W(L"t"), VT_BSTR}, {W(L"b"), VT_BOOL}};

METHODDATA kMethods[] = {
    {W(L"Record"), kRecordParams, kRecordId, 7, CC_STDCALL, 3, DISPATCH_METHOD, VT_I4},
    {W(L"Label"), nullptr, kLabelId, 8, CC_STDCALL, 0, DISPATCH_PROPERTYGET, VT_BSTR},
    {W(L"Label"), kLabelPutParams, kLabelId, 9, CC_STDCALL, 1, DISPATCH_PROPERTYPUT, VT_EMPTY},
    {W(L"Fail"), kFailParams, kFailId, 10, CC_STDCALL, 1, DISPATCH_METHOD, VT_EMPTY},
    {W(L"Swap"), kSwapParams, kSwapId, 11, CC_STDCALL, 2, DISPATCH_METHOD, VT_EMPTY},
    {W(L"Take"), kTakeParams, kTakeId, 12, CC_STDCALL, 4, DISPATCH_METHOD, VT_EMPTY},
    {W(L"Self"), nullptr, kSelfId, 13, CC_STDCALL, 0, DISPATCH_METHOD, VT_DISPATCH},
    {W(L"Number"), kNumberParams, kNumberId, 14, CC_STDCALL, 4, DISPATCH_METHOD, VT_EMPTY},
    {W(L"Bump"), kBumpParams, kBumpId, 15, CC_STDCALL, 1, DISPATCH_METHOD, VT_EMPTY},
};

INTERFACEDATA kInterface = {kMethods, static_cast<UINT>(std::size(kMethods))};

}  // namespace

Probe* Probe::Create(bool withTypeInfo) {
    auto* probe = new Probe();
    if (!withTypeInfo) return probe;
    if (FAILED(CreateDispTypeInfo(&kInterface, LOCALE_SYSTEM_DEFAULT, &probe->holder_))) return probe;
    // The holder may describe a class around the interface; members live on
    // the interface.
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(probe->holder_->GetTypeAttr(&attr))) {
        bool coclass = attr->typekind == TKIND_COCLASS;
        probe->holder_->ReleaseTypeAttr(attr);
        HREFTYPE ref;
        if (coclass && SUCCEEDED(probe->holder_->GetRefTypeOfImplType(0, &ref)))
            probe->holder_->GetRefTypeInfo(ref, &probe->info_);
    }
    if (!probe->info_) {
        probe->info_ = probe->holder_;
        probe->info_->AddRef();
    }
    return probe;
}

Probe* Probe::CreateWith(ITypeInfo* info) {
    auto* probe = new Probe();
    probe->info_ = info;
    if (info) info->AddRef();
    return probe;
}

Probe::~Probe() {
    ClearCalls();
    if (info_) info_->Release();
    if (holder_) holder_->Release();
}

void Probe::ClearCalls() {
    for (ProbeCall& c : calls_)
        for (VARIANT& v : c.values) VariantClear(&v);
    calls_.clear();
}

HRESULT Probe::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Probe::AddRef() { return ++refs_; }

ULONG Probe::Release() {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

HRESULT Probe::GetTypeInfoCount(UINT* count) {
    *count = info_ ? 1 : 0;
    return S_OK;
}

HRESULT Probe::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    *out = nullptr;
    if (index != 0 || !info_) return DISP_E_BADINDEX;
    info_->AddRef();
    *out = info_;
    return S_OK;
}

HRESULT Probe::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!info_) return E_NOTIMPL;
    return DispGetIDsOfNames(info_, names, count, ids);
}

HRESULT Probe::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                      UINT*) {
    ProbeCall call;
    call.id = id;
    call.flags = flags;
    call.argCount = params->cArgs;
    call.named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    for (UINT i = params->cArgs; i-- > 0;) {
        call.received.push_back(params->rgvarg[i].vt);
        VARIANT copy;
        VariantInit(&copy);
        VariantCopyInd(&copy, &params->rgvarg[i]);
        call.values.push_back(copy);
    }
    calls_.push_back(call);
    VARIANT* args = params->rgvarg;

    switch (id) {
    case kRecordId:
        if (result) {
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(params->cArgs);
        }
        return S_OK;
    case kLabelId:
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            VARIANT text;
            VariantInit(&text);
            if (FAILED(VariantChangeType(&text, &args[0], 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
            label_.assign(text.bstrVal, SysStringLen(text.bstrVal));
            VariantClear(&text);
            return S_OK;
        }
        if (result) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocStringLen(label_.data(), static_cast<UINT>(label_.size()));
        }
        return S_OK;
    case kFailId: {
        if (params->cArgs != 1 || args[0].vt != VT_I4) return DISP_E_TYPEMISMATCH;
        HRESULT hr = args[0].lVal;
        if (hr == DISP_E_EXCEPTION && exception) exception->bstrDescription = SysAllocString(L"probe failure");
        return hr;
    }
    case kSwapId: {
        if (params->cArgs != 2 || args[1].vt != (VT_BSTR | VT_BYREF) || args[0].vt != (VT_I4 | VT_BYREF))
            return DISP_E_TYPEMISMATCH;
        std::wstring s(*args[1].pbstrVal ? *args[1].pbstrVal : L"");
        s += L"-x";
        SysFreeString(*args[1].pbstrVal);
        *args[1].pbstrVal = SysAllocString(s.c_str());
        *args[0].plVal *= 2;
        return S_OK;
    }
    case kTakeId:
    case kNumberId: return S_OK;
    case kBumpId:
        if (params->cArgs != 1 || args[0].vt != (VT_VARIANT | VT_BYREF)) return DISP_E_TYPEMISMATCH;
        if (args[0].pvarVal->vt == VT_DISPATCH || args[0].pvarVal->vt == VT_UNKNOWN) {
            // An object is swapped for the probe itself.
            VariantClear(args[0].pvarVal);
            AddRef();
            args[0].pvarVal->vt = VT_DISPATCH;
            args[0].pvarVal->pdispVal = this;
            return S_OK;
        }
        VariantClear(args[0].pvarVal);
        args[0].pvarVal->vt = VT_BSTR;
        args[0].pvarVal->bstrVal = SysAllocString(L"bumped");
        return S_OK;
    case kCountVarId:
        if ((flags & DISPATCH_PROPERTYGET) && result) {
            result->vt = VT_I4;
            result->lVal = 7;
        }
        return S_OK;
    case kPeerVarId:
        if ((flags & DISPATCH_PROPERTYGET) && result) {
            AddRef();
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
        }
        return S_OK;
    case kSelfId:
        if (result) {
            AddRef();
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
        }
        return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace vx::test
