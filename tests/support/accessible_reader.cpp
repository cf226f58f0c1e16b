#include "tests/support/accessible_reader.h"

#include <oleacc.h>

#include <vector>

#include "runtime/com/com_ptr.h"

namespace vx::test {
namespace {

struct Seen {
    DWORD event;
    HWND hwnd;
};
std::vector<Seen> g_seen;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) g_seen.push_back({event, hwnd});
}

std::string Ansi(const com::Bstr& b) { return b.get() ? com::AnsiFromWide(b.get(), SysStringLen(b.get())) : ""; }

void ComReady() {
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // or already there
    (void)com;
}

AccessibleRead Read(const com::ComPtr<IAccessible>& object) {
    AccessibleRead r;
    if (!object) return r;
    r.answered = true;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    com::Variant role, state;
    if (SUCCEEDED(object->get_accRole(self, role.get())) && role->vt == VT_I4) r.role = role->lVal;
    if (SUCCEEDED(object->get_accState(self, state.get())) && state->vt == VT_I4) r.state = state->lVal;
    com::Bstr name, value;
    BSTR b = nullptr;
    if (SUCCEEDED(object->get_accName(self, &b))) name = com::Bstr(b);
    b = nullptr;
    if (SUCCEEDED(object->get_accValue(self, &b))) value = com::Bstr(b);
    r.name = Ansi(name);
    r.value = Ansi(value);
    LONG children = -1;
    if (SUCCEEDED(object->get_accChildCount(&children))) r.children = children;
    return r;
}

}  // namespace

AccessibleRead ReadAccessible(HWND hwnd) {
    ComReady();
    LRESULT answer = SendMessageA(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    com::ComPtr<IAccessible> object;
    if (answer <= 0 || FAILED(ObjectFromLresult(answer, __uuidof(IAccessible), 0, object.put_void()))) return {};
    return Read(object);
}

AccessibleRead ReadAccessibleFromAnotherProcess(HWND hwnd) {
    ComReady();
    com::ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          object.put_void())))
        return {};
    return Read(object);
}

AccessEvents::AccessEvents(DWORD processId) {
    g_seen.clear();
    hook_ = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, OnEvent, processId, 0,
                            WINEVENT_OUTOFCONTEXT);
}

AccessEvents::~AccessEvents() {
    if (hook_) UnhookWinEvent(hook_);
}

int AccessEvents::Count(DWORD event, HWND hwnd) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    int n = 0;
    for (const Seen& s : g_seen) n += s.event == event && s.hwnd == hwnd;
    return n;
}

}  // namespace vx::test
