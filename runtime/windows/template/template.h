// The window template: every window of the program with every unit on it, as
// the byte stream built into the program, read once at start-up into a
// working copy that the window system edits in place.
//
// Layout of the stream (all integers 32-bit little-endian):
//   window list   counted block: n window ids, then n address slots
//   n records     first word, class id, two counted texts, unit count u,
//                 unit table (counted block: u ids, u offsets, records)
// A unit record is its 32-bit length followed by the record bytes; offsets
// count from the end of the offset array.
//
// The working copy keeps each window's unit table byte for byte in the stored
// layout. What the 32-bit design keeps inside the records as addresses (live
// object, loaded cursor, resolved handler addresses) is pointer-sized here and
// lives beside the record, so the records never hold pointers and the table
// can be written back unchanged.
//
// Portable: no <windows.h>; built and tested natively as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx::wt {

using Bytes = std::span<const uint8_t>;

// Type ids: (library number << 16) | type number, both counted from 1.
enum TypeId : uint32_t {
    kWindowType = 0x00010001,
    kEditBoxType = 0x00010005,
    kPicBoxType = 0x00010006,
    kButtonType = 0x0001000B,
    kTimerType = 0x00010020,
    kPicBtnType = 0x0001002D,
    kComObjectType = 0x00010030,
    kTransLabelType = 0x00020005,
    kSuperBarType = 0x00050001,
    kZipType = 0x00060001,
};

// Unit record flags word.
enum UnitFlag : uint32_t {
    kUnitVisible = 1,
    kUnitDisabled = 2,
    kUnitTabStop = 4,
};

// Menu item flags word.
enum MenuFlag : uint32_t {
    kMenuHidden = 1,
    kMenuDisabled = 2,
    kMenuChecked = 4,
    kMenuBuilderMark = 8,
};

// The fixed geometry words, in record order.
enum Geometry : int { kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3 };

constexpr int32_t kNoHandler = -1;
// Standard system cursor id stored in a 4-byte MousePointer block (hand).
constexpr int32_t kHandCursorId = 32649;

// A unit id has a non-zero serial (bits 0-23) and a non-zero kind nibble
// (bits 24-27); bits 28-31 are 0 for a window's own unit, 1 for a control or
// component, 2 for a menu item.
constexpr bool IsUnitId(uint32_t id) { return (id & 0x00FFFFFFu) != 0 && (id & 0x0F000000u) != 0; }
constexpr bool IsMenuItemId(uint32_t id) { return (id & 0x0F000000u) == 0x06000000u && (id >> 28) == 2; }

struct EventBinding {
    int32_t event;
    int32_t offset;  // from the procedure base; kNoHandler = none
};

// Where the fields of one unit record stand, as byte positions from the start
// of the record (after its length word). Produced by WalkUnitRecord.
struct UnitLayout {
    bool menuItem = false;
    size_t name = 0, comment = 0;  // zero-terminated texts
    size_t liveObject = 0;         // controls: the live object slot
    size_t geometry = 0;           // Left, Top, Width, Height
    size_t parent = 0;             // cursor slot is the word before it
    size_t childCount = 0;         // then the child list
    size_t mousePointer = 0;       // counted block (length word)
    size_t tag = 0;                // zero-terminated text
    size_t flags = 0;              // controls and menu items
    size_t tabOrder = 0;
    size_t eventCount = 0;   // then the bindings
    size_t typeData = 0;     // to the end of the record
    size_t menuCaption = 0;  // menu items: zero-terminated caption
    size_t menuHandler = 0;  // menu items: handler offset word
};

// Walks one record; nullopt when a field runs past the end.
std::optional<UnitLayout> WalkUnitRecord(Bytes record, bool menuItem);

class Template;

// One window of the working copy.
class TemplateWindow {
public:
    uint32_t id() const { return id_; }
    int32_t firstWord() const { return firstWord_; }
    uint32_t classId() const { return classId_; }
    // The two counted texts of the record (cut at an inner zero byte).
    std::string_view text1() const;
    std::string_view text2() const;

    size_t unitCount() const { return ids_count_; }
    uint32_t unitId(size_t index) const;
    // Index of the unit with that id, or nullopt. Ids that are not unit ids
    // are never found.
    std::optional<size_t> FindUnit(uint32_t unitId) const;

    // --- Reading a unit (index < unitCount()). Views stay valid until the
    // next resizing edit of this window (SetTag, SetMousePointer,
    // SetMenuCaption).
    Bytes record(size_t index) const;
    const UnitLayout& layout(size_t index) const { return layouts_[index]; }
    bool isMenuItem(size_t index) const { return layouts_[index].menuItem; }
    uint32_t typeId(size_t index) const;
    uint32_t groupLink(size_t index) const;
    std::string_view name(size_t index) const;
    std::string_view comment(size_t index) const;
    int32_t geometry(size_t index, Geometry which) const;
    uint32_t parent(size_t index) const;
    uint32_t childCount(size_t index) const;
    uint32_t child(size_t index, uint32_t position) const;
    Bytes mousePointer(size_t index) const;
    std::string_view tag(size_t index) const;
    uint32_t flags(size_t index) const;  // menu items: the menu flags
    int32_t tabOrder(size_t index) const;
    uint32_t eventCount(size_t index) const;
    EventBinding event(size_t index, uint32_t position) const;
    // Handler offset bound to an event number: nullopt = no binding;
    // kNoHandler = a binding without handler. Menu items: their click
    // handler for any event number.
    std::optional<int32_t> HandlerOffset(size_t index, int32_t eventNumber) const;
    // The address of that handler (procedure base + offset), 0 = none.
    uintptr_t HandlerAddress(size_t index, int32_t eventNumber) const;
    Bytes typeData(size_t index) const;
    std::string_view menuCaption(size_t index) const;

    // --- Editing in place (property writes of the window system).
    void SetGeometry(size_t index, Geometry which, int32_t value);
    void SetFlags(size_t index, uint32_t flags);
    void SetTag(size_t index, std::string_view tag);  // no zero bytes
    void SetMousePointer(size_t index, Bytes block);
    void SetMenuCaption(size_t index, std::string_view caption);

    // --- Pointer-sized slots beside the records (the live window object and
    // loaded mouse pointer of each unit while the window exists).
    void* liveObject(size_t index) const { return slots_[index].liveObject; }
    void SetLiveObject(size_t index, void* object) { slots_[index].liveObject = object; }
    void* cursor(size_t index) const { return slots_[index].cursor; }
    void SetCursor(size_t index, void* cursor) { slots_[index].cursor = cursor; }
    // Clears every live object and cursor slot (window destroyed).
    void ClearSlots();

    // The whole unit table block content as it stands (ids, offsets, records).
    Bytes unitTable() const { return table_; }
    // Appends this window's record in the stored form.
    void WriteTo(std::vector<uint8_t>& out) const;

private:
    friend class Template;
    struct Slots {
        void* liveObject = nullptr;
        void* cursor = nullptr;
    };
    uint32_t Word(size_t at) const;
    void PutWord(size_t at, uint32_t value);
    size_t RecordStart(size_t index) const;  // position of the length word
    size_t RecordsBase() const { return ids_count_ * 8; }
    size_t FieldPos(size_t index, size_t inRecord) const { return RecordStart(index) + 4 + inRecord; }
    bool Relayout(size_t index);
    // Replaces `oldLength` bytes at `at` within record `index` by
    // `replacement`: the later records move and their offsets follow.
    void ResizeRecord(size_t index, size_t at, size_t oldLength, Bytes replacement);

    uint32_t id_ = 0;
    int32_t firstWord_ = 0;
    uint32_t classId_ = 0;
    std::string text1_, text2_;  // stored bytes
    size_t ids_count_ = 0;
    std::vector<uint8_t> table_;
    std::vector<UnitLayout> layouts_;
    std::vector<Slots> slots_;
    uintptr_t procedureBase_ = 0;
};

enum class ReadStatus {
    kOk,
    kTruncated,      // a length beyond the end of the stream
    kBadWindowList,  // window list length not a multiple of 8
    kBadUnitTable,   // ids, offsets and records disagree
    kBadRecord,      // a unit record whose fields run past its end
    kTrailingBytes,  // bytes left after the last window record
    kOutOfMemory,
};

// Every window of the program.
class Template {
public:
    // Reads the stream (an empty stream gives no windows). Handler offsets
    // are resolved against procedureBase. On failure `out` is left empty.
    static ReadStatus Read(Bytes data, uintptr_t procedureBase, Template& out);

    size_t windowCount() const { return windows_.size(); }
    TemplateWindow& window(size_t index) { return windows_[index]; }
    const TemplateWindow& window(size_t index) const { return windows_[index]; }
    // The first id is checked first, then the others in order. Ids whose bits
    // 0-23 or 24-27 are zero are never found.
    std::optional<size_t> FindWindowIndex(uint32_t windowId) const;
    // Inline: <windows.h> may rename it to FindWindowA in the caller.
    TemplateWindow* FindWindow(uint32_t windowId) {
        std::optional<size_t> i = FindWindowIndex(windowId);
        return i ? &windows_[*i] : nullptr;
    }
    uintptr_t procedureBase() const { return procedureBase_; }

    // The stream as it stands, in the stored form (the window list's address
    // slots written as 0).
    std::vector<uint8_t> Write() const;

private:
    friend bool ReadTemplates(const uint8_t* data, size_t length, uintptr_t procedureBase);
    ReadStatus ReadWindows(Bytes data);
    // A deque: windows appended later leave earlier ones where they are.
    std::deque<TemplateWindow> windows_;
    uintptr_t procedureBase_ = 0;
};

// The process-wide working copy the runtime reads at initialisation.
Template& LoadedTemplate();
// Clean-up step: the windows of LoadedTemplate() are released.
void ReleaseTemplates();
// Initialisation step: reads the template into LoadedTemplate(), appending
// its windows. false = "载入窗口模板数据段出错!" (the caller reports it).
// Matches WindowSystemHooks::readTemplates.
bool ReadTemplates(const uint8_t* data, size_t length, uintptr_t procedureBase);

}  // namespace vx::wt
