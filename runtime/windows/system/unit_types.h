// The table of unit types: every type that can stand in a window template
// (the window itself, controls, components) registers here under its type id
// with its state flags, its property list and its create entry. The window
// system builds units only through this table, so a library adds its types by
// calling RegisterUnitType from its own start-up code.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vx::windows {

// State flags of a data type descriptor.
namespace state {
constexpr uint32_t kRaisesEvents = 0x00000040;
constexpr uint32_t kRaisesEventsToo = 0x00000004;
constexpr uint32_t kFiltersMessages = 0x00000020;  // Unit::FilterMessage is called
constexpr uint32_t kPagedContainer = 0x00000100;
constexpr uint32_t kChildWindowsCount = 0x00000200;  // child windows raise the unit's events
constexpr uint32_t kChildWindowsCountToo = 0x00200000;
constexpr uint32_t kComponent = 0x00008000;  // no window of its own
constexpr uint32_t kDragMovesWindow = 0x04000000;
}  // namespace state

// Property types of a property descriptor.
namespace prop {
constexpr uint16_t kInteger = 1001;
constexpr uint16_t kDouble = 1002;
constexpr uint16_t kLogical = 1003;
constexpr uint16_t kDateTime = 1004;
constexpr uint16_t kText = 1005;
constexpr uint16_t kPick = 1006;
constexpr uint16_t kPicture = 1009;
constexpr uint16_t kIcon = 1010;
constexpr uint16_t kMousePointer = 1011;
constexpr uint16_t kSound = 1012;
constexpr uint16_t kFont = 1013;
constexpr uint16_t kColour = 1014;
constexpr uint16_t kColour2 = 1015;
constexpr uint16_t kColour3 = 1017;
constexpr uint16_t kData = 1023;
constexpr uint16_t kData2 = 1024;
constexpr bool IsBlock(uint16_t t) { return (t >= kPicture && t <= kSound) || t == kData || t == kData2; }
constexpr bool IsColour(uint16_t t) { return t == kColour || t == kColour2 || t == kColour3; }
}  // namespace prop

struct PropertyDescriptor {
    const char* name = nullptr;
    uint16_t type = 0;
};

// A table written by property index (runtime/windows/template/
// property_numbers.h) instead of by position: PropertyTable lays it out as
// the positional list a descriptor holds, unlisted indexes empty, and stops
// the build on an index given twice or beyond the type's count.
struct IndexedProperty {
    int32_t index;
    PropertyDescriptor descriptor;
};
template <size_t Count, size_t N>
constexpr std::array<PropertyDescriptor, Count> PropertyTable(const IndexedProperty (&named)[N]) {
    std::array<PropertyDescriptor, Count> table{};
    std::array<bool, Count> given{};
    for (const IndexedProperty& p : named) {
        if (p.index < 0 || static_cast<size_t>(p.index) >= Count || given[static_cast<size_t>(p.index)])
            throw "a property index out of range or given twice";
        given[static_cast<size_t>(p.index)] = true;
        table[static_cast<size_t>(p.index)] = p.descriptor;
    }
    return table;
}

// A property value as a type's set entry receives it and its get entry
// returns it, already converted by the property's type:
//  integer, pick, colour, logical (0/1): number;
//  double, date-time: the 8 bytes in number;
//  text, picture, icon, pointer, sound, data: bytes (a text without its
//  terminator; an empty block is "no picture" etc.);
//  font: font, or hasFont false for the default GUI font.
struct PropertyValue {
    int64_t number = 0;
    std::string bytes;
    LOGFONTA font{};
    bool hasFont = false;

    int32_t Int() const { return static_cast<int32_t>(number); }
    bool Bool() const { return number != 0; }
    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(bytes.data()); }
    static PropertyValue Of(int64_t n) {
        PropertyValue v;
        v.number = n;
        return v;
    }
    static PropertyValue OfBytes(std::string b) {
        PropertyValue v;
        v.bytes = std::move(b);
        return v;
    }
};

// What the window system hands a create entry.
struct CreateParams {
    const uint8_t* data = nullptr;  // the unit's stored type data
    size_t length = 0;
    DWORD style = 0;        // WS_DISABLED / WS_TABSTOP from the unit's flags; never WS_VISIBLE
    HWND parent = nullptr;  // units: the window; the window: its parent or none
    int controlId = 0;      // 100, 110, ... for units, 0 for the window
    HMENU menu = nullptr;   // the window only
    // Device pixels: the template geometry scaled to `dpi` (runtime/windows/system/dpi.h).
    int left = 0, top = 0, width = 0, height = 0;
    int dpi = 96;  // the DPI the window is shown at: fonts and pictures scale with it
    uint32_t windowId = 0;
    uint32_t unitId = 0;
    bool modal = false;  // the window only: loaded modally
};

// The live object of a unit while its window exists. The window system owns
// it and its window: it destroys the unit's window (with the top-level window,
// or alone when rebuilding) and deletes the object afterwards, so a unit's
// destructor releases only its own GDI objects and companion windows.
class Unit {
public:
    explicit Unit(const CreateParams& p) : windowId_(p.windowId), unitId_(p.unitId) {}
    virtual ~Unit() = default;
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    HWND Handle() const { return hwnd_; }
    uint32_t WindowId() const { return windowId_; }
    uint32_t UnitId() const { return unitId_; }

    // Set entry: index counts from the type's first own property (index 8
    // of the unit). Returns 1 when the unit must be rebuilt from its record.
    virtual int SetProperty(int32_t index, const PropertyValue& value) {
        (void)index;
        (void)value;
        return 0;
    }
    // Get entry.
    virtual PropertyValue GetProperty(int32_t index) {
        (void)index;
        return {};
    }
    // Whether the unit takes this key (Tab, Enter, Escape, F1, ...) itself.
    virtual bool WantsKey(UINT virtualKey) {
        (void)virtualKey;
        return false;
    }
    // Types with state::kFiltersMessages see the window's messages first;
    // true = consumed.
    virtual bool FilterMessage(MSG& msg) {
        (void)msg;
        return false;
    }
    // A message the window received for this unit's child window
    // (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM ...); true = handled.
    virtual bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        (void)msg;
        (void)wp;
        (void)lp;
        (void)result;
        return false;
    }
    // Shown/hidden or enabled/disabled by the window system (companion
    // windows follow here).
    virtual void Show(bool visible);
    virtual void Enable(bool enabled);
    virtual void MoveTo(int x, int y, int width, int height);
    // A type whose own event 0 answers a click (the buttons): whether it
    // has one, and doing what a click does, for the keyboard (Enter on the
    // focused unit, a window's default and close roles). Space is the
    // type's own business, as for the system's buttons.
    virtual bool HasClick() { return false; }
    virtual void Click() {}
    // The caption used for Alt mnemonics; empty when the type takes none.
    virtual std::string MnemonicText() { return {}; }
    // Alt + mnemonic picked this unit: returns true when it acted (a button
    // raising its click); false passes the focus to the next unit (a label).
    virtual bool Mnemonic() { return false; }
    // The type data that recreates the unit as it stands now, used when a
    // set entry asked for a rebuild. Empty: rebuild from the stored record.
    virtual std::string CurrentData() { return {}; }

protected:
    HWND hwnd_ = nullptr;

private:
    uint32_t windowId_;
    uint32_t unitId_;
};

using CreateEntry = Unit* (*)(const CreateParams& params);

// One data type descriptor. properties lists the type's own properties
// (index 8 of a unit is properties[0]).
struct TypeDescriptor {
    const char* chineseName = nullptr;
    const char* englishName = nullptr;
    uint32_t stateFlags = 0;
    uint32_t propertyCount = 0;
    const PropertyDescriptor* properties = nullptr;
    CreateEntry create = nullptr;
};

// Registers (or replaces) the descriptor of a type id
// ((library number << 16) | type number). The descriptor must outlive the
// program (a static).
void RegisterUnitType(uint32_t typeId, const TypeDescriptor* descriptor);
// nullptr when the type id is not registered.
const TypeDescriptor* FindUnitType(uint32_t typeId);

// The live object behind a unit's window (or a child window of it), or null.
Unit* UnitFromHandle(HWND hwnd);

}  // namespace vx::windows
