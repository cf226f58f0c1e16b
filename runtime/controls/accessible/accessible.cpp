#include "runtime/controls/accessible/accessible.h"

#include <oleacc.h>

#include <atomic>

#include "runtime/com/com_ptr.h"
#include "runtime/process/window_thread.h"

namespace vx::controls {

// What the control's objects share with it: the describing function, gone
// (empty) once the control is.
struct AccessPoint::Link {
    HWND hwnd = nullptr;
    Describe describe;
};

namespace {

using wt::AccessRole;

struct RoleEntry {
    AccessRole role;
    LONG systemRole;
    LONG state;  // what the role always adds
    bool acts;   // a user can act on it: focusable while enabled
};
constexpr RoleEntry kRoles[] = {
    {AccessRole::kPushButton, ROLE_SYSTEM_PUSHBUTTON, 0, true},
    {AccessRole::kCheckButton, ROLE_SYSTEM_CHECKBUTTON, 0, true},
    {AccessRole::kLink, ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED, true},
    {AccessRole::kStaticText, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, false},
    {AccessRole::kProgressBar, ROLE_SYSTEM_PROGRESSBAR, STATE_SYSTEM_READONLY, false},
};

// Roles outside the table (none is left after RoleOr) read as static text.
const RoleEntry& EntryOf(AccessRole role) {
    for (const RoleEntry& e : kRoles)
        if (e.role == role) return e;
    return EntryOf(AccessRole::kStaticText);
}

bool IsSelf(const VARIANT& id) { return id.vt == VT_I4 && id.lVal == CHILDID_SELF; }

// The control's object: its own role, name, value and state, no children
// (its parts, such as the bar's skin windows, are its own business); the
// rest from the system's standard client object of its window.
class ControlAccessible final : public IAccessible, public IOleWindow {
public:
    ControlAccessible(std::shared_ptr<AccessPoint::Link> link, com::ComPtr<IAccessible> standard)
        : link_(std::move(link)), standard_(std::move(standard)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow)) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: readers call the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = link_->hwnd;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IAccessible: what the control says.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        return Text(id, name, [](const AccessDescription& d) -> const std::string& { return d.name; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override {
        return Text(id, value, [](const AccessDescription& d) -> const std::string& { return d.value; });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        if (!role) return E_POINTER;
        if (!IsSelf(id)) return E_INVALIDARG;
        AccessDescription d;
        if (!Ask(d)) return CO_E_OBJNOTCONNECTED;
        role->vt = VT_I4;
        role->lVal = EntryOf(d.role).systemRole;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        if (!state) return E_POINTER;
        if (!IsSelf(id)) return E_INVALIDARG;
        AccessDescription d;
        LONG s = 0;
        if (!Ask(d, &s)) return CO_E_OBJNOTCONNECTED;
        const RoleEntry& e = EntryOf(d.role);
        s |= e.state;
        if (d.checked) s |= STATE_SYSTEM_CHECKED;
        if (d.pressed) s |= STATE_SYSTEM_PRESSED;
        if (d.hidden) s |= STATE_SYSTEM_INVISIBLE;
        if (!e.acts) s &= ~(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
        state->vt = VT_I4;
        state->lVal = s;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (!child) return E_POINTER;
        *child = nullptr;
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
            end->vt = VT_EMPTY;
            return S_FALSE;
        }
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* at) override {
        if (!at) return E_POINTER;
        RECT r;
        POINT p{x, y};
        at->vt = VT_EMPTY;
        if (!GetWindowRect(link_->hwnd, &r)) return CO_E_OBJNOTCONNECTED;
        if (!PtInRect(&r, p)) return S_FALSE;
        at->vt = VT_I4;
        at->lVal = CHILDID_SELF;
        return S_OK;
    }

    // The rest as the standard object of the window answers it.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* text) override {
        return standard_->get_accDescription(id, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* text) override { return standard_->get_accHelp(id, text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT id, LONG* topic) override {
        return standard_->get_accHelpTopic(file, id, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* text) override {
        return standard_->get_accKeyboardShortcut(id, text);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* id) override { return standard_->get_accFocus(id); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* ids) override { return standard_->get_accSelection(ids); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* text) override {
        return standard_->get_accDefaultAction(id, text);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT id) override { return standard_->accSelect(flags, id); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT id) override {
        return standard_->accLocation(x, y, w, h, id);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override { return standard_->accDoDefaultAction(id); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~ControlAccessible() = default;

    // The control describes itself on its own thread, where it changes; the
    // window's state there too. false: the control is gone.
    bool Ask(AccessDescription& d, LONG* windowState = nullptr) {
        bool answered = false;
        HWND hwnd = link_->hwnd;
        WindowThreadCalls::Run(hwnd, [&] {
            if (!link_->describe || !IsWindow(hwnd)) return;
            link_->describe(d);
            answered = true;
            if (!windowState) return;
            LONG s = 0;
            if (!IsWindowEnabled(hwnd)) s |= STATE_SYSTEM_UNAVAILABLE;
            else s |= STATE_SYSTEM_FOCUSABLE;
            if (!IsWindowVisible(hwnd)) s |= STATE_SYSTEM_INVISIBLE;
            if (GetFocus() == hwnd) s |= STATE_SYSTEM_FOCUSED;
            *windowState = s;
        });
        return answered;
    }

    template <class Field>
    HRESULT Text(const VARIANT& id, BSTR* out, Field field) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsSelf(id)) return E_INVALIDARG;
        AccessDescription d;
        if (!Ask(d)) return CO_E_OBJNOTCONNECTED;
        const std::string& text = field(d);
        if (text.empty()) return S_FALSE;
        *out = com::BstrFromAnsi(text.c_str()).release();
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<AccessPoint::Link> link_;
    com::ComPtr<IAccessible> standard_;
};

}  // namespace

AccessPoint::AccessPoint(Describe describe) : link_(std::make_shared<Link>()) { link_->describe = std::move(describe); }

AccessPoint::~AccessPoint() { link_->describe = nullptr; }

bool AccessPoint::Answer(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (static_cast<LONG>(lp) != OBJID_CLIENT) return false;
    link_->hwnd = hwnd;
    com::ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible), standard.put_void())) || !standard)
        return false;
    com::ComPtr<IAccessible> object(new ControlAccessible(link_, std::move(standard)));
    // The system or the reader's side takes its own references.
    result = LresultFromObject(__uuidof(IAccessible), wp, object.get());
    return true;
}

void AccessPoint::Notify(HWND hwnd, DWORD event) {
    if (hwnd) NotifyWinEvent(event, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace vx::controls
