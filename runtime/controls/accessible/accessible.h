// What a picture-drawn control tells a screen reader. The control's window
// answers WM_GETOBJECT through its AccessPoint with an accessible object that
// asks the control, on the control's own thread, for its role, name, value
// and state each time a reader asks; whatever the control leaves alone
// (location, parent, siblings) comes from the system's standard object.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "runtime/windows/template/unit_access.h"

namespace vx::controls {

struct AccessDescription {
    wt::AccessRole role = wt::AccessRole::kStaticText;  // never kOwn
    std::string name;                                   // in the program's code page
    std::string value;                                  // empty: the control has none
    bool checked = false;                               // a check button that is ticked
    bool pressed = false;                               // a push button held down
    bool hidden = false;                                // shows nothing: readers pass over it
};

// The accessible role of the control: the role a window source gives it,
// else the one its type gives.
inline wt::AccessRole RoleOr(wt::AccessRole given, wt::AccessRole own) {
    return given == wt::AccessRole::kOwn || given == wt::AccessRole::kHidden ? own : given;
}

class AccessPoint {
public:
    using Describe = std::function<void(AccessDescription&)>;
    explicit AccessPoint(Describe describe);
    // Objects handed out before answer "disconnected" from now on.
    ~AccessPoint();
    AccessPoint(const AccessPoint&) = delete;
    AccessPoint& operator=(const AccessPoint&) = delete;

    // For the window procedure: true when this was the query for the
    // client object (OBJID_CLIENT), with the answer in result.
    bool Answer(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT& result);
    // Tells listening readers of a change (EVENT_OBJECT_STATECHANGE,
    // EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_NAMECHANGE).
    static void Notify(HWND hwnd, DWORD event);

    struct Link;

private:
    std::shared_ptr<Link> link_;
};

}  // namespace vx::controls
