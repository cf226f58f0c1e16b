// The property service entries: fixed properties from the live window or the
// template record, type properties through the unit's get and set entries.
#include <windows.h>

#include <cstring>

#include "runtime/base/byte_reader.h"
#include "runtime/base/errors.h"
#include "runtime/base/memory.h"
#include "runtime/base/value.h"
#include "runtime/process/window_thread.h"
#include "runtime/windows/system/dpi.h"
#include "runtime/windows/system/loaded_window.h"
#include "runtime/windows/system/messages.h"
#include "runtime/windows/template/property_numbers.h"

namespace vx::windows {
namespace {

using namespace detail;

constexpr int32_t kCoordinateLimit = 32627;

using namespace wt::property;
using namespace wt::property::font;
namespace menu = wt::property::menu_item;

// System cursor ids in the order of the runtime's pointer numbers 1, 2, ...
constexpr int32_t kPointerCursorIds[] = {
    32512,  // 1 arrow
    32515,  // 2 cross
    32513,  // 3 I-beam
    32641,  // 4 icon
    32646,  // 5 size all
    32643,  // 6 size NE-SW
    32645,  // 7 size N-S
    32642,  // 8 size NW-SE
    32644,  // 9 size W-E
    32516,  // 10 up arrow
    32514,  // 11 hourglass
    32648,  // 12 no
    32650,  // 13 arrow and hourglass
    32651,  // 14 arrow and question mark
    32649,  // 15 hand
};

int64_t FromAddress(const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); }
const void* ToAddress(uint32_t low, uint32_t high) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>((uint64_t(high) << 32) | low));
}

struct Target {
    wt::TemplateWindow* tw;
    size_t index;
    LoadedWindow* lw;  // null: the window is not loaded
    Unit* live() const { return lw ? lw->units[index].get() : nullptr; }
    HWND hwnd() const { return live() ? live()->Handle() : nullptr; }
};

Target Find(uint32_t windowId, uint32_t unitId) {
    wt::TemplateWindow* tw = wt::LoadedTemplate().FindWindow(windowId);
    if (!tw) ReportError(text::kPropertyWindowMissing, 0);
    std::optional<size_t> index = unitId == 0 ? std::optional<size_t>(0) : tw->FindUnit(unitId);
    if (!index) ReportError(text::kHostUnitMissing, 0);
    return Target{tw, *index, FindLoaded(windowId)};
}

const PropertyDescriptor* TypeProperty(const Target& t, int32_t index) {
    const TypeDescriptor* type = FindUnitType(t.tw->typeId(t.index));
    int32_t own = index - kFirstTypeProperty;
    if (!type || own < 0 || static_cast<uint32_t>(own) >= type->propertyCount) return nullptr;
    return &type->properties[own];
}

// The pointer block with its first word moved between numberings.
std::string TranslatePointerBlock(const uint8_t* data, size_t size, int32_t (*map)(int32_t)) {
    std::string block(reinterpret_cast<const char*>(data), size);
    if (size >= 4) {
        uint8_t* first = reinterpret_cast<uint8_t*>(block.data());
        PutU32(first, static_cast<uint32_t>(map(I32(first))));
    }
    return block;
}

LOGFONTA DefaultGuiFont() {
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

int PixelsPerInch() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// A missing or over-long face name becomes 宋体; an empty one too when
// `emptyToo` (one attribute written), while a whole description keeps it.
void SetFace(LOGFONTA& lf, const char* face, bool emptyToo) {
    size_t n = face ? std::strlen(face) : 0;
    if (!face || (emptyToo && n == 0) || n >= sizeof lf.lfFaceName) {
        face = text::kFallbackFace;
        n = std::strlen(face);
    }
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, face, n);
}

int32_t NormaliseEscapement(int32_t tenths) {
    int32_t r = tenths % 3600;
    return r < 0 ? r + 3600 : r;
}

void SetFontAttribute(LOGFONTA& lf, int32_t kind, uint32_t low, uint32_t high) {
    int32_t v = static_cast<int32_t>(low);
    switch (kind) {
    case kEscapement: lf.lfEscapement = lf.lfOrientation = NormaliseEscapement(v); break;
    case kBold: lf.lfWeight = v ? FW_BOLD : 0; break;
    case kItalic: lf.lfItalic = v ? 1 : 0; break;
    case kUnderline: lf.lfUnderline = v ? 1 : 0; break;
    case kStrikeOut: lf.lfStrikeOut = v ? 1 : 0; break;
    case kSize: lf.lfHeight = -MulDiv(v < 0 ? 0 : v, PixelsPerInch(), 72); break;
    case kFaceName: SetFace(lf, static_cast<const char*>(ToAddress(low, high)), true); break;
    default: break;
    }
}

LOGFONTA FontFromDescription(const FontDescription* d) {
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    FontDescription none{0, 0, 0, 0, 0, 0, nullptr};
    if (!d) d = &none;
    lf.lfEscapement = lf.lfOrientation = NormaliseEscapement(d->escapement);
    lf.lfWeight = d->bold ? FW_BOLD : 0;
    lf.lfItalic = d->italic ? 1 : 0;
    lf.lfUnderline = d->underline ? 1 : 0;
    lf.lfStrikeOut = d->strikeOut ? 1 : 0;
    lf.lfHeight = -MulDiv(d->size < 0 ? 0 : d->size, PixelsPerInch(), 72);
    SetFace(lf, d->faceName, false);
    return lf;
}

int64_t ReadFont(const LOGFONTA& lf, int32_t kind) {
    int32_t size = lf.lfHeight < 0 ? MulDiv(-lf.lfHeight, 72, PixelsPerInch()) : lf.lfHeight;
    switch (kind) {
    case kEscapement: return lf.lfEscapement;
    case kBold: return lf.lfWeight >= FW_BOLD ? 1 : 0;
    case kItalic: return lf.lfItalic ? 1 : 0;
    case kUnderline: return lf.lfUnderline ? 1 : 0;
    case kStrikeOut: return lf.lfStrikeOut ? 1 : 0;
    case kSize: return size;
    case kFaceName: return FromAddress(NewText(lf.lfFaceName));
    default: break;
    }
    // The whole font: one block holding the description and its face name.
    size_t faceLength = strnlen(lf.lfFaceName, sizeof lf.lfFaceName);
    auto* d = static_cast<FontDescription*>(Allocate(sizeof(FontDescription) + faceLength + 1));
    char* face = reinterpret_cast<char*>(d + 1);
    std::memcpy(face, lf.lfFaceName, faceLength);
    face[faceLength] = '\0';
    *d = FontDescription{lf.lfEscapement,
                         lf.lfWeight >= FW_BOLD ? 1 : 0,
                         lf.lfItalic ? 1 : 0,
                         lf.lfUnderline ? 1 : 0,
                         lf.lfStrikeOut ? 1 : 0,
                         size,
                         face};
    return FromAddress(d);
}

int64_t ConvertRead(uint16_t type, const PropertyValue& v, int32_t kind) {
    switch (type) {
    case prop::kLogical: return v.number ? 1 : 0;
    case prop::kDouble:
    case prop::kDateTime: return v.number;
    case prop::kText: return FromAddress(NewText(v.bytes));
    case prop::kFont: return ReadFont(v.hasFont ? v.font : DefaultGuiFont(), kind);
    case prop::kMousePointer: {
        std::string block = TranslatePointerBlock(v.Data(), v.bytes.size(), PointerNumberFromCursorId);
        return FromAddress(NewByteSet(block.data(), block.size()));
    }
    default: break;
    }
    if (prop::IsBlock(type)) return FromAddress(NewByteSet(v.bytes.data(), v.bytes.size()));
    return static_cast<int64_t>(static_cast<uint32_t>(v.number));
}

PropertyValue ConvertWrite(uint16_t type, int32_t kind, uint32_t low, uint32_t high, Unit* unit, int32_t own) {
    PropertyValue v;
    switch (type) {
    case prop::kDouble:
    case prop::kDateTime: v.number = static_cast<int64_t>((uint64_t(high) << 32) | low); return v;
    case prop::kLogical: v.number = low != 0 ? 1 : 0; return v;
    case prop::kPick: v.number = static_cast<int32_t>(low) < 0 ? 0 : static_cast<int32_t>(low); return v;
    case prop::kText: {
        const char* t = static_cast<const char*>(ToAddress(low, high));
        if (t) v.bytes = t;
        return v;
    }
    case prop::kFont: {
        v.hasFont = true;
        if (kind < 0) {
            v.font = FontFromDescription(static_cast<const FontDescription*>(ToAddress(low, high)));
        } else {
            PropertyValue current = unit->GetProperty(own);
            v.font = current.hasFont ? current.font : DefaultGuiFont();
            SetFontAttribute(v.font, kind, low, high);
        }
        return v;
    }
    default: break;
    }
    if (prop::IsBlock(type)) {
        const void* block = ToAddress(low, high);
        const uint8_t* data = ByteSetData(block);
        size_t size = ByteSetSize(block);
        v.bytes = type == prop::kMousePointer ? TranslatePointerBlock(data, size, CursorIdFromPointerNumber)
                                              : std::string(reinterpret_cast<const char*>(data), size);
        return v;
    }
    if (prop::IsColour(type)) {
        v.number = low;
        return v;
    }
    v.number = static_cast<int32_t>(low);
    return v;
}

RECT LiveRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    if (HWND parent = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr)
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int32_t ClampCoordinate(int32_t v) {
    return v > kCoordinateLimit ? kCoordinateLimit : v < -kCoordinateLimit ? -kCoordinateLimit : v;
}
int32_t ClampSize(int32_t v) { return v > kCoordinateLimit ? kCoordinateLimit : v < 0 ? 0 : v; }

void WriteGeometry(const Target& t, int32_t index, int32_t value) {
    value = index <= kTop ? ClampCoordinate(value) : ClampSize(value);
    t.tw->SetGeometry(t.index, static_cast<wt::Geometry>(index), value);
    Unit* unit = t.live();
    if (!unit || !unit->Handle()) return;
    RECT r = LiveRect(unit->Handle());
    int32_t x = r.left, y = r.top, w = r.right - r.left, h = r.bottom - r.top;
    int32_t scaled = dpi::Scale(value, t.lw->dpi);  // the program writes template units
    switch (index) {
    case kLeft: x = scaled; break;
    case kTop: y = scaled; break;
    case kWidth: w = scaled; break;
    default: h = scaled; break;
    }
    unit->MoveTo(x, y, w, h);
}

void WriteVisible(const Target& t, bool visible) {
    uint32_t flags = t.tw->flags(t.index);
    t.tw->SetFlags(t.index, visible ? flags | wt::kUnitVisible : flags & ~uint32_t(wt::kUnitVisible));
    Unit* unit = t.live();
    if (!unit || !unit->Handle()) return;
    if (t.index == 0) {
        if (visible) ShowFrameAsLoaded(t.lw->windowId);
        else ShowWindow(unit->Handle(), SW_HIDE);
        return;
    }
    if (t.lw->stateFlags(t.index) & state::kComponent) return;
    if (visible && OnHiddenPage(*t.lw, t.index)) return;
    unit->Show(visible);
}

void WriteMousePointer(const Target& t, uint32_t low, uint32_t high) {
    const void* block = ToAddress(low, high);
    std::string bytes = TranslatePointerBlock(ByteSetData(block), ByteSetSize(block), CursorIdFromPointerNumber);
    t.tw->SetMousePointer(t.index, wt::Bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    if (!t.lw) return;
    HCURSOR old = static_cast<HCURSOR>(t.tw->cursor(t.index));
    auto& owned = t.lw->ownedCursors;
    for (auto it = owned.begin(); it != owned.end(); ++it) {
        if (*it == old) {
            DestroyCursor(old);
            owned.erase(it);
            break;
        }
    }
    t.tw->SetCursor(t.index, nullptr);
    LoadUnitCursor(*t.lw, t.index);
    if (t.hwnd()) {
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x, p.y);
    }
}

int64_t ReadMenuItem(const Target& t, int32_t index) {
    uint32_t flags = t.tw->flags(t.index);
    switch (index) {
    case menu::kCaption: return FromAddress(NewText(t.tw->menuCaption(t.index)));
    case menu::kChecked: return (flags & wt::kMenuChecked) ? 1 : 0;
    case menu::kDisabled: return (flags & wt::kMenuDisabled) ? 1 : 0;
    case menu::kVisible: return (flags & wt::kMenuHidden) ? 0 : 1;
    default: return 0;
    }
}

void WriteMenuItem(const Target& t, int32_t index, uint32_t low, uint32_t high) {
    uint32_t flags = t.tw->flags(t.index);
    bool on = low != 0;
    switch (index) {
    case menu::kCaption: {
        const char* caption = static_cast<const char*>(ToAddress(low, high));
        std::string_view fresh = caption ? caption : "";
        if (fresh == t.tw->menuCaption(t.index)) return;
        t.tw->SetMenuCaption(t.index, fresh);
        break;
    }
    case menu::kChecked:
    case menu::kDisabled:
    case menu::kVisible: {
        uint32_t bit = index == menu::kChecked    ? wt::kMenuChecked
                       : index == menu::kDisabled ? wt::kMenuDisabled
                                                  : wt::kMenuHidden;
        bool set = index == menu::kVisible ? !on : on;
        uint32_t fresh = set ? flags | bit : flags & ~bit;
        if (fresh == flags) return;
        t.tw->SetFlags(t.index, fresh);
        break;
    }
    default: return;
    }
    if (t.lw) RebuildMenu(*t.lw);
}

}  // namespace

int32_t PointerNumberFromCursorId(int32_t cursorId) {
    for (size_t i = 0; i < std::size(kPointerCursorIds); ++i)
        if (kPointerCursorIds[i] == cursorId) return static_cast<int32_t>(i + 1);
    return cursorId;
}

int32_t CursorIdFromPointerNumber(int32_t number) {
    if (number >= 1 && number <= static_cast<int32_t>(std::size(kPointerCursorIds)))
        return kPointerCursorIds[number - 1];
    return number;
}

int64_t ReadUnitProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind) {
    Target t = Find(windowId, unitId);
    if (t.tw->isMenuItem(t.index)) return ReadMenuItem(t, index);
    HWND hwnd = t.hwnd();
    switch (index) {
    case kLeft:
    case kTop: {
        if (!hwnd) return t.tw->geometry(t.index, static_cast<wt::Geometry>(index));
        RECT r = LiveRect(hwnd);
        return dpi::Unscale(index == kLeft ? r.left : r.top, t.lw->dpi);
    }
    case kWidth:
    case kHeight: {
        if (!hwnd) return t.tw->geometry(t.index, static_cast<wt::Geometry>(index));
        RECT r;
        GetWindowRect(hwnd, &r);
        return dpi::Unscale(index == kWidth ? r.right - r.left : r.bottom - r.top, t.lw->dpi);
    }
    case kTag: return FromAddress(NewText(t.tw->tag(t.index)));
    case kVisible:
        if (hwnd) return IsWindowVisible(hwnd) ? 1 : 0;
        return (t.tw->flags(t.index) & wt::kUnitVisible) ? 1 : 0;
    case kDisabled:
        if (hwnd) return IsWindowEnabled(hwnd) ? 0 : 1;
        return (t.tw->flags(t.index) & wt::kUnitDisabled) ? 1 : 0;
    case kMousePointer: {
        wt::Bytes block = t.tw->mousePointer(t.index);
        std::string bytes = TranslatePointerBlock(block.data(), block.size(), PointerNumberFromCursorId);
        return FromAddress(NewByteSet(bytes.data(), bytes.size()));
    }
    default: break;
    }
    Unit* unit = t.live();
    if (!unit) ReportError(text::kWindowNotOpen, 0);
    const PropertyDescriptor* property = TypeProperty(t, index);
    if (!property) return 0;
    return ConvertRead(property->type, unit->GetProperty(index - kFirstTypeProperty), kind);
}

namespace {

void WriteHere(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind, uint32_t low, uint32_t high) {
    Target t = Find(windowId, unitId);
    if (t.tw->isMenuItem(t.index)) {
        WriteMenuItem(t, index, low, high);
        return;
    }
    if (index >= kFirstTypeProperty) {
        Unit* unit = t.live();
        if (!unit) ReportError(text::kWindowNotOpen, 0);
        const PropertyDescriptor* property = TypeProperty(t, index);
        if (!property) return;
        int32_t own = index - kFirstTypeProperty;
        PropertyValue value = ConvertWrite(property->type, kind, low, high, unit, own);
        if (unit->SetProperty(own, value) == 1) {
            LoadedWindowRef ref = FindLoadedRef(windowId);
            if (ref && ref->alive && t.index != 0) RebuildUnit(*ref, t.index);
        }
        return;
    }
    switch (index) {
    case kLeft:
    case kTop:
    case kWidth:
    case kHeight: WriteGeometry(t, index, static_cast<int32_t>(low)); break;
    case kTag: {
        const char* tag = static_cast<const char*>(ToAddress(low, high));
        t.tw->SetTag(t.index, tag ? tag : "");
        break;
    }
    case kVisible: WriteVisible(t, low != 0); break;
    case kDisabled: {
        uint32_t flags = t.tw->flags(t.index);
        t.tw->SetFlags(t.index, low ? flags | wt::kUnitDisabled : flags & ~uint32_t(wt::kUnitDisabled));
        if (Unit* unit = t.live()) unit->Enable(low == 0);
        break;
    }
    case kMousePointer: WriteMousePointer(t, low, high); break;
    default: break;
    }
}

}  // namespace

// A write from another thread is made on the window's thread, where the
// window paints: no field, font, icon or picture changes under a paint.
void WriteUnitProperty(uint32_t windowId, uint32_t unitId, int32_t index, int32_t kind, uint32_t low, uint32_t high) {
    LoadedWindowRef ref = FindLoadedRef(windowId);
    HWND frame = ref && ref->alive ? ref->hwnd() : nullptr;
    WindowThreadCalls::Run(frame, [&] { WriteHere(windowId, unitId, index, kind, low, high); });
}

}  // namespace vx::windows
