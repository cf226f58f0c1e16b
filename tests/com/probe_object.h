// An in-process automation object for the late-bound call tests: its type
// information comes from oleaut32 (CreateDispTypeInfo), and its Invoke records
// exactly what the caller passed.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace vx::test {

// Member ids of the probe's members.
enum ProbeMember : DISPID {
    kRecordId = 1,  // Record(a, b, c: VARIANT) -> I4: the argument count
    kLabelId = 2,   // Label: BSTR property (get and put)
    kFailId = 3,    // Fail(hr: I4): Invoke returns hr
    kSwapId = 4,    // Swap(s: BSTR by ref, n: I4 by ref): s = s + "-x", n = n * 2
    kTakeId = 5,    // Take(u: UNKNOWN, d: DISPATCH, v: VARIANT, x: I4)
    kSelfId = 6,    // Self() -> DISPATCH: the probe itself
    kNumberId = 7,  // Number(x: I4, y: R8, t: BSTR, b: BOOL)
    kBumpId = 8,    // Bump(v: VARIANT by ref): v = the probe for an object, else "bumped"
    // Variables of the type information MakeVariableTypeInfo builds.
    kCountVarId = 20,  // Count: I4 (reads 7)
    kPeerVarId = 21,   // Peer: DISPATCH (reads the probe itself)
};

struct ProbeCall {
    DISPID id = 0;
    WORD flags = 0;
    UINT argCount = 0;
    std::vector<DISPID> named;
    std::vector<VARTYPE> received;  // as passed, first argument first
    std::vector<VARIANT> values;    // references followed, first argument first (owned)
};

class Probe final : public IDispatch {
public:
    // withTypeInfo false: GetTypeInfo fails, as for an object without any.
    static Probe* Create(bool withTypeInfo = true);
    // With the given type information instead of the probe's own.
    static Probe* CreateWith(ITypeInfo* info);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

    const std::vector<ProbeCall>& calls() const { return calls_; }
    void ClearCalls();
    ULONG references() const { return refs_; }
    const std::wstring& label() const { return label_; }

private:
    Probe() = default;
    ~Probe();

    ULONG refs_ = 1;
    ITypeInfo* info_ = nullptr;  // the interface's type information
    ITypeInfo* holder_ = nullptr;
    std::vector<ProbeCall> calls_;
    std::wstring label_;
};

}  // namespace vx::test
