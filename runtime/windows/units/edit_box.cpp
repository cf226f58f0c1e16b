// EditBox (type 0x00010005): a Windows edit control, optionally with an
// up-down arrow control beside it.
#include <windows.h>

#include <commctrl.h>

#include "runtime/windows/system/events.h"
#include "runtime/windows/template/event_numbers.h"
#include "runtime/windows/units/core_units.h"
#include "runtime/windows/units/unit_support.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::windows::units {
namespace {

using namespace wt::property::edit_box;

const PropertyDescriptor kProperties[] = {
    {"Content", prop::kText},
    {"BorderStyle", prop::kPick},
    {"TextColor", prop::kColour},
    {"BackColor", prop::kColour},
    {"Font", prop::kFont},
    {"HideSelection", prop::kLogical},
    {"MaxLength", prop::kInteger},
    {"MultiLine", prop::kLogical},
    {"ScrollBars", prop::kPick},
    {"Alignment", prop::kPick},
    {"InputMode", prop::kPick},
    {"PasswordChar", prop::kText},
    {"CaseConversion", prop::kPick},
    {"UpDown", prop::kPick},
    {"UpDownMin", prop::kInteger},
    {"UpDownMax", prop::kInteger},
    {"SelStart", prop::kInteger},
    {"SelLength", prop::kInteger},
    {"SelText", prop::kText},
    {"", prop::kText},
    {"", prop::kText},
};
static_assert(std::size(kProperties) == wt::property::edit_box::kCount, "one entry per index");

constexpr int kUpDownWidth = 18;
constexpr int kUpDownIdOffset = 4;
constexpr DWORD kAlignMask = ES_LEFT | ES_CENTER | ES_RIGHT;
constexpr DWORD kCaseMask = ES_LOWERCASE | ES_UPPERCASE;

class EditBox final : public Unit {
public:
    EditBox(const CreateParams& p, stored::EditBoxData d) : Unit(p), d_(std::move(d)) {}
    ~EditBox() override {
        if (upDown_ && IsWindow(upDown_)) DestroyWindow(upDown_);
    }

    bool Create(const CreateParams& p);

    int SetProperty(int32_t index, const PropertyValue& v) override;
    PropertyValue GetProperty(int32_t index) override;
    bool WantsKey(UINT vk) override { return vk == VK_RETURN && d_.multiLine && !ReadOnly(); }
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void Show(bool visible) override {
        Unit::Show(visible);
        if (upDown_) ShowWindow(upDown_, visible ? SW_SHOWNA : SW_HIDE);
    }
    void Enable(bool enabled) override {
        Unit::Enable(enabled);
        if (upDown_) EnableWindow(upDown_, enabled ? TRUE : FALSE);
    }
    void MoveTo(int x, int y, int width, int height) override {
        Unit::MoveTo(x, y, width, height);
        PlaceUpDown();
    }
    std::string CurrentData() override {
        d_.content = Text();
        return stored::WriteEditBoxData(d_);
    }

private:
    bool ReadOnly() const { return (GetWindowLongA(hwnd_, GWL_STYLE) & ES_READONLY) != 0; }
    std::string Text() const;
    void ApplyInputMode();
    void ApplySelection();
    void SetStyleBits(DWORD mask, DWORD bits);
    void CreateUpDown(int controlId);
    void PlaceUpDown();
    void ApplyUpDownRange();

    stored::EditBoxData d_;
    UnitFont font_;
    BrushHandle brush_;
    HWND upDown_ = nullptr;
};

DWORD AlignStyle(int32_t a) {
    switch (stored::Clamp(a, 0, 2)) {
    case 1: return ES_CENTER;
    case 2: return ES_RIGHT;
    default: return ES_LEFT;
    }
}

DWORD CaseStyle(int32_t c) {
    switch (stored::Clamp(c, 0, 2)) {
    case 1: return ES_LOWERCASE;
    case 2: return ES_UPPERCASE;
    default: return 0;
    }
}

bool EditBox::Create(const CreateParams& p) {
    DWORD style = WS_CHILD | p.style;
    if (!d_.hideSelection) style |= ES_NOHIDESEL;
    int scroll = stored::Clamp(d_.scrollBars, 0, 3);
    if (d_.multiLine) {
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        if (scroll == 1 || scroll == 3) style |= ES_AUTOHSCROLL;
        if (scroll == 1 || scroll == 3) style |= WS_HSCROLL;
        if (scroll == 2 || scroll == 3) style |= WS_VSCROLL;
    } else {
        style |= ES_AUTOHSCROLL;
    }
    style |= AlignStyle(d_.alignment) | CaseStyle(d_.caseConversion);
    if (d_.inputMode == 1) style |= ES_READONLY;
    if (d_.inputMode == 2) style |= ES_PASSWORD;
    BorderStyles border = BorderStyleBits(d_.borderStyle);
    hwnd_ = CreateWindowExA(border.exStyle, "EDIT", d_.content.c_str(), style | border.style, p.left, p.top, p.width,
                            p.height, p.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(p.controlId)),
                            ProgramInstance(), nullptr);
    if (!hwnd_) return false;
    brush_.reset(CreateSolidBrush(ResolveColour(d_.backColor, COLOR_WINDOW)));
    font_.SetDpi(p.dpi);
    font_.SetBlock(d_.font);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    if (!d_.multiLine)
        SetWindowPos(hwnd_, nullptr, 0, 0, p.width, p.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(d_.maxLength < 0 ? 0 : d_.maxLength), 0);
    if (d_.inputMode == 2) SendMessageA(hwnd_, EM_SETPASSWORDCHAR, d_.passwordChar & 0xFF, 0);
    if (!d_.multiLine && d_.upDown) CreateUpDown(p.controlId + kUpDownIdOffset);
    ApplySelection();
    ApplyBorderStyle(hwnd_, d_.borderStyle);
    return true;
}

std::string EditBox::Text() const {
    int n = GetWindowTextLengthA(hwnd_);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowTextA(hwnd_, s.data(), n + 1)));
    return s;
}

void EditBox::CreateUpDown(int controlId) {
    int border = stored::Clamp(d_.borderStyle, 0, 5);
    DWORD ex = (border == 0 || border == 1 || border == 3) ? WS_EX_STATICEDGE : 0;
    DWORD style = WS_CHILD | UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS;
    upDown_ = CreateWindowExA(ex, UPDOWN_CLASSA, "", style, 0, 0, kUpDownWidth, 0, GetParent(hwnd_),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), ProgramInstance(), nullptr);
    if (!upDown_) return;
    SendMessageA(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
    ApplyUpDownRange();
    PlaceUpDown();
    // Stacked right after the box.
    SetWindowPos(upDown_, hwnd_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(upDown_, IsWindowEnabled(hwnd_));
}

void EditBox::PlaceUpDown() {
    if (!upDown_) return;
    RECT r;
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(upDown_, nullptr, r.right, r.top, kUpDownWidth, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void EditBox::ApplyUpDownRange() {
    if (!upDown_) return;
    int lo = d_.upDownMin < d_.upDownMax ? d_.upDownMin : d_.upDownMax;
    int hi = d_.upDownMin < d_.upDownMax ? d_.upDownMax : d_.upDownMin;
    SendMessageA(upDown_, UDM_SETRANGE32, static_cast<WPARAM>(lo), static_cast<LPARAM>(hi));
}

void EditBox::ApplySelection() {
    int length = GetWindowTextLengthA(hwnd_);
    int start = d_.selStart == -1 ? length : d_.selStart < 0 ? 0 : d_.selStart;
    int end = d_.selLength == -1 ? length : start + (d_.selLength < 0 ? 0 : d_.selLength);
    if (d_.selLength == -1) start = 0;
    SendMessageA(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageA(hwnd_, EM_SCROLLCARET, 0, 0);
}

void EditBox::ApplyInputMode() {
    SendMessageA(hwnd_, EM_SETREADONLY, d_.inputMode == 1 ? TRUE : FALSE, 0);
    SendMessageA(hwnd_, EM_SETPASSWORDCHAR, d_.inputMode == 2 ? (d_.passwordChar & 0xFF) : 0, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void EditBox::SetStyleBits(DWORD mask, DWORD bits) {
    LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>((style & ~mask) | bits));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

bool EditBox::Reflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, ResolveColour(d_.textColor, COLOR_WINDOWTEXT));
        SetBkColor(dc, ResolveColour(d_.backColor, COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(brush_.get());
        return true;
    }
    case WM_COMMAND:
        if (HIWORD(wp) == EN_CHANGE) RaiseEvent(WindowId(), UnitId(), wt::event::kTextChanged);
        return false;
    default: return false;
    }
}

int EditBox::SetProperty(int32_t index, const PropertyValue& v) {
    int32_t n = v.Int();
    switch (index) {
    case kContent:
        // WM_SETTEXT on a single-line edit control sends EN_CHANGE, as typing
        // does; a multi-line one sends nothing, so it is given the same notice.
        SetWindowTextA(hwnd_, v.bytes.c_str());
        if (GetWindowLongA(hwnd_, GWL_STYLE) & ES_MULTILINE)
            SendMessageA(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), EN_CHANGE),
                         reinterpret_cast<LPARAM>(hwnd_));
        break;
    case kBorderStyle:
        d_.borderStyle = stored::Clamp(n, 0, 5);
        ApplyBorderStyle(hwnd_, d_.borderStyle);
        break;
    case kTextColor:
        d_.textColor = static_cast<uint32_t>(v.number);
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case kBackColor:
        d_.backColor = static_cast<uint32_t>(v.number);
        brush_.reset(CreateSolidBrush(ResolveColour(d_.backColor, COLOR_WINDOW)));
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        break;
    case kFont:
        if (v.hasFont) font_.Set(v.font);
        else font_.SetBlock({});
        d_.font = font_.Block();
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        break;
    case kHideSelection: {
        bool changed = (d_.hideSelection != 0) != v.Bool();
        d_.hideSelection = v.Bool();
        return changed ? 1 : 0;
    }
    case kMaxLength:
        d_.maxLength = n < 0 ? 0 : n;
        SendMessageA(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(d_.maxLength), 0);
        break;
    case kMultiLine: d_.multiLine = v.Bool(); return 1;
    case kScrollBars: d_.scrollBars = stored::Clamp(n, 0, 3); return 1;
    case kAlignment:
        d_.alignment = stored::Clamp(n, 0, 2);
        SetStyleBits(kAlignMask, AlignStyle(d_.alignment));
        break;
    case kInputMode:
        d_.inputMode = stored::Clamp(n, 0, 11);
        ApplyInputMode();
        break;
    case kPasswordChar:
        d_.passwordChar = v.bytes.empty() ? 0 : static_cast<uint8_t>(v.bytes[0]);
        if (d_.inputMode == 2) ApplyInputMode();
        break;
    case kCaseConversion:
        d_.caseConversion = stored::Clamp(n, 0, 2);
        SetStyleBits(kCaseMask, CaseStyle(d_.caseConversion));
        break;
    case kUpDown: {
        int32_t fresh = stored::Clamp(n, 0, 2);
        bool changed = (fresh != 0) != (d_.upDown != 0);
        d_.upDown = fresh;
        return changed ? 1 : 0;
    }
    case kUpDownMin:
        d_.upDownMin = n;
        ApplyUpDownRange();
        break;
    case kUpDownMax:
        d_.upDownMax = n;
        ApplyUpDownRange();
        break;
    case kSelStart:
        d_.selStart = n;
        d_.selLength = 0;
        ApplySelection();
        break;
    case kSelLength: {
        DWORD start = 0;
        SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        d_.selStart = static_cast<int32_t>(start);
        d_.selLength = n;
        ApplySelection();
        break;
    }
    case kSelText: SendMessageA(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(v.bytes.c_str())); break;
    case kBinding1: d_.binding1 = v.bytes; break;
    case kBinding2: d_.binding2 = v.bytes; break;
    default: break;
    }
    return 0;
}

PropertyValue EditBox::GetProperty(int32_t index) {
    switch (index) {
    case kContent: return PropertyValue::OfBytes(Text());
    case kBorderStyle: return PropertyValue::Of(d_.borderStyle);
    case kTextColor: return PropertyValue::Of(d_.textColor);
    case kBackColor: return PropertyValue::Of(d_.backColor);
    case kFont: {
        PropertyValue v;
        v.hasFont = font_.HasFont();
        v.font = font_.Record();
        return v;
    }
    case kHideSelection: return PropertyValue::Of(d_.hideSelection);
    case kMaxLength: return PropertyValue::Of(d_.maxLength);
    case kMultiLine: return PropertyValue::Of(d_.multiLine);
    case kScrollBars: return PropertyValue::Of(d_.scrollBars);
    case kAlignment: return PropertyValue::Of(d_.alignment);
    case kInputMode: return PropertyValue::Of(d_.inputMode);
    case kPasswordChar:
        return PropertyValue::OfBytes(d_.passwordChar ? std::string(1, static_cast<char>(d_.passwordChar)) : "");
    case kCaseConversion: return PropertyValue::Of(d_.caseConversion);
    case kUpDown: return PropertyValue::Of(d_.upDown);
    case kUpDownMin: return PropertyValue::Of(d_.upDownMin);
    case kUpDownMax: return PropertyValue::Of(d_.upDownMax);
    case kSelStart:
    case kSelLength:
    case kSelText: {
        DWORD start = 0, end = 0;
        SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        if (index == kSelStart) return PropertyValue::Of(start);
        if (index == kSelLength) return PropertyValue::Of(end - start);
        std::string text = Text();
        return PropertyValue::OfBytes(start <= end && end <= text.size() ? text.substr(start, end - start) : "");
    }
    case kBinding1: return PropertyValue::OfBytes(d_.binding1);
    case kBinding2: return PropertyValue::OfBytes(d_.binding2);
    default: return {};
    }
}

Unit* CreateEditBox(const CreateParams& p) {
    std::optional<stored::EditBoxData> data = stored::ReadEditBoxData(p.data, p.length);
    if (!data) return nullptr;
    auto* unit = new EditBox(p, std::move(*data));
    if (!unit->Create(p)) {
        delete unit;
        return nullptr;
    }
    return unit;
}

constexpr char kChineseName[] = "编辑框";
const TypeDescriptor kDescriptor{kChineseName,           "EditBox",   0x80000040,
                                 std::size(kProperties), kProperties, CreateEditBox};

}  // namespace

const TypeDescriptor& EditBoxType() { return kDescriptor; }

}  // namespace vx::windows::units
