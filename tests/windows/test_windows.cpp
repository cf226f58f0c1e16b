#include "tests/windows/test_windows.h"

#include <cstdio>
#include <vector>

#include "runtime/base/memory.h"
#include "runtime/process/runtime_object.h"
#include "runtime/process/services.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/windows/template/template.h"
#include "tests/windows/gif_maker.h"
#include "tests/windows/template_builder.h"
#ifdef VX_HAVE_INSTALLER_TEMPLATE
#include "installer/template_data.h"
#endif

namespace vx::test {

Observed g;

namespace {

bool Count(int& counter) {
    ++counter;
    return false;
}
bool OnCreated(const int32_t*, int32_t, int32_t*) { return Count(g.created); }
bool OnDestroyed(const int32_t*, int32_t, int32_t*) { return Count(g.destroyed); }
bool OnClick(const int32_t*, int32_t, int32_t*) {
    g.lastClickUnit = windows::CurrentEventSource().unitId;
    return Count(g.clicks);
}
bool OnTimer(const int32_t*, int32_t, int32_t*) { return Count(g.ticks); }
bool OnPress(const int32_t* args, int32_t argc, int32_t* result) {
    ++g.presses;
    for (int32_t i = 0; i < argc && i < 3; ++i) g.pressArgs[i] = args[i];
    if (!g.pressGivesResult) return false;
    *result = g.pressResult;
    return true;
}
bool OnQueryClose(const int32_t*, int32_t, int32_t* result) {
    *result = g.closeAnswer;
    return true;
}
bool OnPressClick(const int32_t*, int32_t, int32_t*) { return Count(g.pressClicks); }
bool OnChange(const int32_t*, int32_t, int32_t*) { return Count(g.changes); }
bool OnRelease(const int32_t*, int32_t, int32_t*) { return Count(g.releases); }
bool OnOther(const int32_t*, int32_t, int32_t*) {
    g.otherUnits.push_back(windows::CurrentEventSource().unitId);
    return Count(g.otherProcedures);
}

windows::EventProcedure gProcedures[kProcedureCount] = {
    OnCreated, OnDestroyed, OnClick, OnTimer, OnPress, OnQueryClose, OnPressClick, OnChange,
};

uintptr_t ProcedureBase() {
    gProcedures[kOnRelease] = OnRelease;
    for (auto& p : gProcedures)
        if (!p) p = OnOther;
    return reinterpret_cast<uintptr_t>(gProcedures);
}

UnitSpec Self(uint32_t id, int l, int t, int w, int h, const WindowFields& f) {
    UnitSpec u;
    u.type = 0x00010001;
    u.id = id;
    u.left = l;
    u.top = t;
    u.width = w;
    u.height = h;
    u.typeData = WindowData(f);
    return u;
}

UnitSpec Control(uint32_t type, uint32_t id, const char* name, int l, int t, int w, int h, uint32_t flags,
                 std::string data) {
    UnitSpec u;
    u.type = type;
    u.id = id;
    u.name = name;
    u.left = l;
    u.top = t;
    u.width = w;
    u.height = h;
    u.flags = flags;
    u.typeData = std::move(data);
    return u;
}

std::vector<WindowSpec> TestWindows() {
    std::vector<WindowSpec> list;
    {
        WindowFields f;
        f.caption = "Main";
        WindowSpec w{kMainWindow, -1, 0x19020001, {}};
        UnitSpec self = Self(kMainSelf, 40, 40, 420, 300, f);
        self.events = {{0, Proc(kOnCreated)}, {2, Proc(kOnDestroyed)}};
        w.units.push_back(self);
        UnitSpec ro = Control(0x00010005, kReadOnlyEdit, "ro", 10, 10, 200, 22, 5, EditBoxData("abc", 1));
        ro.tabOrder = 0;
        w.units.push_back(ro);
        UnitSpec plain = Control(0x00010005, kPlainEdit, "plain", 10, 40, 200, 22, 5, EditBoxData("", 0));
        plain.tabOrder = 1;
        plain.events = {{0, Proc(kOnChange)}};
        w.units.push_back(plain);
        UnitSpec ok = Control(0x0001000B, kOkButton, "ok", 10, 80, 80, 30, 5, ButtonData("&OK"));
        ok.tabOrder = 2;
        ok.events = {{0, Proc(kOnClick)}};
        w.units.push_back(ok);
        UnitSpec timer = Control(0x00010020, kTimerUnit, "timer", 300, 10, 26, 26, 0, TimerData(0));
        timer.events = {{0, Proc(kOnTimer)}};
        w.units.push_back(timer);
        w.units.push_back(Control(0x00010006, kHiddenPicBox, "pic", 220, 10, 60, 60, 0, PicBoxData(0x0000FF)));
        list.push_back(w);
    }
    {
        WindowFields f;
        f.caption = "Modal";
        WindowSpec w{kModalWindow, 1, 0x19020010, {Self(0x06020010, 520, 40, 200, 120, f)}};
        w.units.push_back(Control(0x0001000B, 0x16020011, "b", 10, 10, 80, 30, 5, ButtonData("x")));
        list.push_back(w);
    }
    {
        WindowFields f;
        f.caption = "Other";
        WindowSpec w{kOtherWindow, 1, 0x19020020, {Self(0x06020020, 520, 200, 200, 120, f)}};
        w.units[0].flags = 5;  // visible, and the tab-stop bit a frame has no use for
        w.units.push_back(Control(0x00010005, 0x16020021, "e", 10, 10, 150, 22, 5, EditBoxData("", 0)));
        list.push_back(w);
    }
    {
        WindowFields f;
        f.borderStyle = 0;
        f.dragAnywhere = 1;
        f.backColor = 0x00804000;
        WindowSpec w{kDragWindow, 1, 0x19020030, {Self(0x06020030, 300, 400, 200, 150, f)}};
        w.units.push_back(Control(0x00010006, kDragPicBox, "p", 10, 10, 60, 60, 1, PicBoxData(0x00FF00)));
        list.push_back(w);
    }
    {
        WindowFields f;
        f.borderStyle = 0;
        WindowSpec w{kPressWindow, 1, 0x19020040, {Self(0x06020040, 600, 400, 200, 100, f)}};
        UnitSpec b = Control(0x0001000B, kPressButton, "b", 20, 20, 120, 40, 1, ButtonData("press"));
        b.events = {{-1, Proc(kOnPress)}, {0, Proc(kOnPressClick)}};
        w.units.push_back(b);
        list.push_back(w);
    }
    {
        WindowFields f;
        f.borderStyle = 0;
        f.shape = 2;
        f.position = 1;
        WindowSpec w{kShapeWindow, 1, 0x19020050, {Self(0x06020050, 0, 0, 559, 400, f)}};
        list.push_back(w);
    }
    {
        WindowFields f;
        f.caption = "Keep";
        WindowSpec w{kKeepOpenWindow, 1, 0x19020060, {Self(0x06020060, 40, 400, 200, 100, f)}};
        w.units[0].events = {{12, Proc(kOnQueryClose)}};
        list.push_back(w);
    }
    {
        WindowFields f;
        WindowSpec w{kTagWindow, 1, 0x19020070, {Self(0x06020070, 300, 100, 300, 200, f)}};
        UnitSpec a = Control(0x00010005, 0x16020071, "a", 5, 5, 100, 20, 1, EditBoxData("first", 0));
        a.tag = "t";
        w.units.push_back(a);
        UnitSpec b = Control(0x00010005, 0x16020072, "b", 5, 40, 120, 20, 1, EditBoxData("second", 0));
        b.tag = "tag of b";
        b.mousePointer = std::string("\x89\x7f\x00\x00", 4);  // hand, 32649
        w.units.push_back(b);
        w.units.push_back(Control(0x00010020, 0x16020073, "c", 0, 0, 0, 0, 0, TimerData(0)));
        list.push_back(w);
    }
    {
        WindowFields f;
        WindowSpec w{kUnknownTypeWindow, 1, 0x19020080, {Self(0x06020080, 10, 10, 200, 100, f)}};
        w.units[0].events = {{0, Proc(kOnCreated)}, {2, Proc(kOnDestroyed)}};
        w.units.push_back(Control(0x00090009, 0x16020081, "x", 5, 5, 50, 20, 1, ""));
        list.push_back(w);
    }
    {
        WindowFields f;
        WindowSpec w{kBadVersionWindow, 1, 0x19020090, {Self(0x06020090, 10, 10, 200, 100, f)}};
        w.units[0].events = {{0, Proc(kOnCreated)}, {2, Proc(kOnDestroyed)}};
        std::string data = EditBoxData("v3", 0);
        data[0] = 3;
        w.units.push_back(Control(0x00010005, 0x16020091, "x", 5, 5, 50, 20, 1, data));
        list.push_back(w);
    }
    {
        WindowFields f;
        f.borderStyle = 0;
        WindowSpec w{kGifWindow, 1, 0x190200A0, {Self(0x060200A0, 700, 40, 120, 120, f)}};
        constexpr uint8_t palette[4][3] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
        std::string gif = MakeGif(
            4, 2, palette,
            {{0, 0, 4, 2, std::vector<uint8_t>(8, 1), 6, 0, -1}, {0, 0, 4, 2, std::vector<uint8_t>(8, 2), 6, 0, -1}});
        w.units.push_back(Control(0x00010006, kGifPicBox, "gif", 10, 10, 60, 60, 1, PicBoxData(0x00FFFFFF, gif)));
        list.push_back(w);
    }
    {
        WindowFields f;
        f.soundMode = 1;
        f.backSound = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xff\x2f\0", 26);
        list.push_back(WindowSpec{kMidiWindow, 1, 0x190200B0, {Self(0x060200B0, 700, 300, 120, 80, f)}});
    }
    {
        WindowFields f;
        f.caption = "Menu";
        WindowSpec w{kMenuWindow, 1, 0x190200C0, {Self(0x060200C0, 500, 500, 220, 140, f)}};
        w.units.push_back(Control(0x0001000B, 0x160200C3, "b", 10, 10, 80, 30, 1, ButtonData("b")));
        UnitSpec file;
        file.type = 0x00010001;
        file.id = kMenuFile;
        file.menuItem = true;
        file.flags = 0;
        file.caption = "&File\tCtrl+F";
        file.handler = Proc(kOnClick);
        w.units.push_back(file);
        UnitSpec help = file;
        help.id = kMenuHelp;
        help.caption = "Help";
        help.flags = 2;  // disabled
        w.units.push_back(help);
        list.push_back(w);
    }
    {
        WindowFields f;
        f.borderStyle = 0;
        WindowSpec w{kKeyWindow, 1, 0x190200D0, {Self(0x060200D0, 560, 420, 300, 160, f)}};
        UnitSpec button = Control(0x0001000B, kKeyButton, "a", 200, 12, 60, 24, 1, ButtonData("a"));
        button.events = {{0, Proc(kOnClick)}};
        w.units.push_back(button);
        UnitSpec press = Control(0x00010006, kKeyPress, "b", 20, 10, 40, 30, 1, PicBoxData(0x0000FF));
        press.events = {{-1, Proc(kOnPress)}, {-2, Proc(kOnRelease)}};
        w.units.push_back(press);
        w.units.push_back(Control(0x00010005, kKeyEdit, "c", 20, 60, 150, 22, 5, EditBoxData("", 0)));
        // Nothing bound and no tab stop; hidden; disabled: none is reached.
        w.units.push_back(Control(0x0001000B, 0x160200D4, "d", 200, 58, 60, 26, 1, ButtonData("d")));
        UnitSpec hidden = Control(0x0001000B, 0x160200D5, "e", 200, 90, 60, 24, 0, ButtonData("e"));
        hidden.events = {{0, Proc(kOnClick)}};
        w.units.push_back(hidden);
        UnitSpec disabled = Control(0x0001000B, 0x160200D6, "f", 120, 90, 60, 24, 3, ButtonData("f"));
        disabled.events = {{0, Proc(kOnClick)}};
        w.units.push_back(disabled);
        UnitSpec left = Control(0x00010006, kKeyLeftPress, "g", 10, 120, 30, 30, 1, PicBoxData(0x00FF00));
        left.events = {{-1, Proc(kOnPress)}};
        w.units.push_back(left);
        UnitSpec low = Control(0x0001000B, kKeyLowButton, "h", 120, 124, 80, 24, 1, ButtonData("h"));
        low.events = {{0, Proc(kOnClick)}};
        w.units.push_back(low);
        UnitSpec last = Control(0x00010005, kKeyLastEdit, "i", 100, 0, 60, 8, 5, EditBoxData("", 0));
        last.tabOrder = 1;
        w.units.push_back(last);
        list.push_back(w);
    }
    return list;
}

std::vector<uint8_t>& TestTemplate() {
    static std::vector<uint8_t> bytes = BuildTemplate(TestWindows());
    return bytes;
}

}  // namespace

void SetUpWindowSystem() {
    windows::Install();
    SetPumpFilter([](MSG* m) {
        auto& hooks = Runtime().windows;
        return hooks.preTranslate && hooks.preTranslate(m);
    });
    InitialiseRuntime();
    uintptr_t base = ProcedureBase();
    std::vector<uint8_t>& t = TestTemplate();
    if (!wt::ReadTemplates(t.data(), t.size(), base)) {
        std::fprintf(stderr, "test template unreadable\n");
        ExitProcess(3);
    }
#ifdef VX_HAVE_INSTALLER_TEMPLATE
    if (!wt::ReadTemplates(vxTemplateData, vxTemplateSize, base)) {
        std::fprintf(stderr, "installer template unreadable\n");
        ExitProcess(3);
    }
    windows::RegisterUnitAccess(vxUnitAccess, vxUnitAccessCount);
#endif
}

bool HaveInstallerTemplate() {
#ifdef VX_HAVE_INSTALLER_TEMPLATE
    return true;
#else
    return false;
#endif
}

POINT ScreenPoint(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

int64_t Read(uint32_t window, uint32_t unit, int32_t index) { return ReadProperty(window, unit, index, -1); }

std::string ReadText(uint32_t window, uint32_t unit, int32_t index) {
    auto* text = reinterpret_cast<char*>(static_cast<uintptr_t>(Read(window, unit, index)));
    std::string s = text ? text : "";
    Free(text);
    return s;
}

void Write(uint32_t window, uint32_t unit, int32_t index, int64_t value) { WriteProperty(window, unit, index, value); }

void WriteText(uint32_t window, uint32_t unit, int32_t index, const char* text) {
    Write(window, unit, index, static_cast<int64_t>(reinterpret_cast<uintptr_t>(text)));
}

std::string ArtefactDir() { return VX_ARTEFACT_DIR; }

}  // namespace vx::test
