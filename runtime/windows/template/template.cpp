#include "runtime/windows/template/template.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "runtime/windows/template/type_data.h"

namespace vx::wt {
namespace {

// Zero-terminated text starting at `at`; nullopt when no zero byte follows.
std::optional<size_t> ZeroTextEnd(Bytes record, size_t at) {
    if (at > record.size()) return std::nullopt;
    const void* zero = std::memchr(record.data() + at, 0, record.size() - at);
    if (!zero) return std::nullopt;
    return static_cast<size_t>(static_cast<const uint8_t*>(zero) - record.data()) + 1;
}

std::string_view CutAtZero(std::string_view s) {
    size_t zero = s.find('\0');
    return zero == std::string_view::npos ? s : s.substr(0, zero);
}

}  // namespace

std::optional<UnitLayout> WalkUnitRecord(Bytes record, bool menuItem) {
    UnitLayout l;
    l.menuItem = menuItem;
    // Type id, group link, four reserved words.
    size_t pos = 24;
    l.name = pos;
    auto end = ZeroTextEnd(record, pos);
    if (!end) return std::nullopt;
    l.comment = *end;
    end = ZeroTextEnd(record, l.comment);
    if (!end) return std::nullopt;
    pos = *end;
    auto need = [&](size_t n) { return n <= record.size() && pos <= record.size() - n; };

    if (menuItem) {
        // Two words, the flags word, the caption, the handler offset.
        if (!need(12)) return std::nullopt;
        l.flags = pos + 8;
        l.menuCaption = pos + 12;
        end = ZeroTextEnd(record, l.menuCaption);
        if (!end) return std::nullopt;
        pos = *end;
        if (!need(4)) return std::nullopt;
        l.menuHandler = pos;
        l.typeData = pos + 4;
        return l;
    }

    // Live object, geometry (4 words), cursor, parent, child count.
    if (!need(32)) return std::nullopt;
    l.liveObject = pos;
    l.geometry = pos + 4;
    l.parent = pos + 24;
    l.childCount = pos + 28;
    uint32_t children = U32(record.data() + l.childCount);
    pos += 32;
    if (children > (record.size() - pos) / 4) return std::nullopt;
    pos += size_t(children) * 4;

    if (!need(4)) return std::nullopt;
    l.mousePointer = pos;
    int32_t pointerLength = static_cast<int32_t>(U32(record.data() + pos));
    pos += 4;
    if (pointerLength > 0) {
        if (!need(size_t(pointerLength))) return std::nullopt;
        pos += size_t(pointerLength);
    }

    l.tag = pos;
    end = ZeroTextEnd(record, pos);
    if (!end) return std::nullopt;
    pos = *end;
    // Reserved word, flags, tab order, event count.
    if (!need(16)) return std::nullopt;
    l.flags = pos + 4;
    l.tabOrder = pos + 8;
    l.eventCount = pos + 12;
    uint32_t events = U32(record.data() + l.eventCount);
    pos += 16;
    if (events > (record.size() - pos) / 8) return std::nullopt;
    pos += size_t(events) * 8;
    if (!need(20)) return std::nullopt;
    l.typeData = pos + 20;
    return l;
}

// ---------------------------------------------------------------------------
// TemplateWindow

uint32_t TemplateWindow::Word(size_t at) const { return U32(table_.data() + at); }
void TemplateWindow::PutWord(size_t at, uint32_t value) { vx::PutU32(table_.data() + at, value); }

std::string_view TemplateWindow::text1() const { return CutAtZero(text1_); }
std::string_view TemplateWindow::text2() const { return CutAtZero(text2_); }

uint32_t TemplateWindow::unitId(size_t index) const { return Word(index * 4); }

size_t TemplateWindow::RecordStart(size_t index) const { return RecordsBase() + Word((ids_count_ + index) * 4); }

std::optional<size_t> TemplateWindow::FindUnit(uint32_t unitId) const {
    if (!IsUnitId(unitId)) return std::nullopt;
    for (size_t i = 0; i < ids_count_; ++i)
        if (this->unitId(i) == unitId) return i;
    return std::nullopt;
}

Bytes TemplateWindow::record(size_t index) const {
    size_t start = RecordStart(index);
    return Bytes(table_.data() + start + 4, Word(start));
}

uint32_t TemplateWindow::typeId(size_t index) const { return Word(FieldPos(index, 0)); }
uint32_t TemplateWindow::groupLink(size_t index) const { return Word(FieldPos(index, 4)); }

std::string_view TemplateWindow::name(size_t index) const {
    return reinterpret_cast<const char*>(table_.data() + FieldPos(index, layouts_[index].name));
}
std::string_view TemplateWindow::comment(size_t index) const {
    return reinterpret_cast<const char*>(table_.data() + FieldPos(index, layouts_[index].comment));
}

int32_t TemplateWindow::geometry(size_t index, Geometry which) const {
    if (layouts_[index].menuItem) return 0;
    return static_cast<int32_t>(Word(FieldPos(index, layouts_[index].geometry + 4 * size_t(which))));
}

uint32_t TemplateWindow::parent(size_t index) const {
    return layouts_[index].menuItem ? 0 : Word(FieldPos(index, layouts_[index].parent));
}

uint32_t TemplateWindow::childCount(size_t index) const {
    return layouts_[index].menuItem ? 0 : Word(FieldPos(index, layouts_[index].childCount));
}

uint32_t TemplateWindow::child(size_t index, uint32_t position) const {
    return Word(FieldPos(index, layouts_[index].childCount + 4 + 4 * size_t(position)));
}

Bytes TemplateWindow::mousePointer(size_t index) const {
    const UnitLayout& l = layouts_[index];
    if (l.menuItem) return {};
    int32_t length = static_cast<int32_t>(Word(FieldPos(index, l.mousePointer)));
    if (length <= 0) return {};
    return Bytes(table_.data() + FieldPos(index, l.mousePointer + 4), size_t(length));
}

std::string_view TemplateWindow::tag(size_t index) const {
    if (layouts_[index].menuItem) return {};
    return reinterpret_cast<const char*>(table_.data() + FieldPos(index, layouts_[index].tag));
}

uint32_t TemplateWindow::flags(size_t index) const { return Word(FieldPos(index, layouts_[index].flags)); }

int32_t TemplateWindow::tabOrder(size_t index) const {
    if (layouts_[index].menuItem) return 0;
    return static_cast<int32_t>(Word(FieldPos(index, layouts_[index].tabOrder)));
}

uint32_t TemplateWindow::eventCount(size_t index) const {
    if (layouts_[index].menuItem) return 1;
    return Word(FieldPos(index, layouts_[index].eventCount));
}

EventBinding TemplateWindow::event(size_t index, uint32_t position) const {
    const UnitLayout& l = layouts_[index];
    if (l.menuItem) return {0, static_cast<int32_t>(Word(FieldPos(index, l.menuHandler)))};
    size_t at = FieldPos(index, l.eventCount + 4 + 8 * size_t(position));
    return {static_cast<int32_t>(Word(at)), static_cast<int32_t>(Word(at + 4))};
}

std::optional<int32_t> TemplateWindow::HandlerOffset(size_t index, int32_t eventNumber) const {
    if (layouts_[index].menuItem) return event(index, 0).offset;
    uint32_t count = eventCount(index);
    for (uint32_t i = 0; i < count; ++i) {
        EventBinding b = event(index, i);
        if (b.event == eventNumber) return b.offset;
    }
    return std::nullopt;
}

uintptr_t TemplateWindow::HandlerAddress(size_t index, int32_t eventNumber) const {
    std::optional<int32_t> offset = HandlerOffset(index, eventNumber);
    if (!offset || *offset == kNoHandler) return 0;
    return procedureBase_ + static_cast<uint32_t>(*offset);
}

Bytes TemplateWindow::typeData(size_t index) const {
    Bytes rec = record(index);
    return rec.subspan(layouts_[index].typeData);
}

std::string_view TemplateWindow::menuCaption(size_t index) const {
    if (!layouts_[index].menuItem) return {};
    return reinterpret_cast<const char*>(table_.data() + FieldPos(index, layouts_[index].menuCaption));
}

void TemplateWindow::SetGeometry(size_t index, Geometry which, int32_t value) {
    if (layouts_[index].menuItem) return;
    PutWord(FieldPos(index, layouts_[index].geometry + 4 * size_t(which)), static_cast<uint32_t>(value));
}

void TemplateWindow::SetFlags(size_t index, uint32_t flags) { PutWord(FieldPos(index, layouts_[index].flags), flags); }

void TemplateWindow::SetTag(size_t index, std::string_view tag) {
    const UnitLayout& l = layouts_[index];
    if (l.menuItem) return;
    tag = CutAtZero(tag);
    std::vector<uint8_t> bytes(tag.begin(), tag.end());
    bytes.push_back(0);
    ResizeRecord(index, l.tag, this->tag(index).size() + 1, bytes);
}

void TemplateWindow::SetMousePointer(size_t index, Bytes block) {
    const UnitLayout& l = layouts_[index];
    if (l.menuItem) return;
    std::vector<uint8_t> bytes;
    PutBlock(bytes, block);
    ResizeRecord(index, l.mousePointer, 4 + mousePointer(index).size(), bytes);
}

void TemplateWindow::SetMenuCaption(size_t index, std::string_view caption) {
    const UnitLayout& l = layouts_[index];
    if (!l.menuItem) return;
    caption = CutAtZero(caption);
    std::vector<uint8_t> bytes(caption.begin(), caption.end());
    bytes.push_back(0);
    ResizeRecord(index, l.menuCaption, menuCaption(index).size() + 1, bytes);
}

void TemplateWindow::ResizeRecord(size_t index, size_t at, size_t oldLength, Bytes replacement) {
    size_t start = RecordStart(index);
    uint32_t length = Word(start);
    uint32_t offset = Word((ids_count_ + index) * 4);
    // The replacement may view this table: copy it before the table moves.
    std::vector<uint8_t> copy(replacement.begin(), replacement.end());
    auto first = table_.begin() + std::ptrdiff_t(start + 4 + at);
    first = table_.erase(first, first + std::ptrdiff_t(oldLength));
    table_.insert(first, copy.begin(), copy.end());
    int64_t diff = int64_t(copy.size()) - int64_t(oldLength);
    PutWord(start, static_cast<uint32_t>(int64_t(length) + diff));
    for (size_t j = 0; j < ids_count_; ++j) {
        size_t slot = (ids_count_ + j) * 4;
        if (Word(slot) > offset) PutWord(slot, static_cast<uint32_t>(int64_t(Word(slot)) + diff));
    }
    Relayout(index);
}

bool TemplateWindow::Relayout(size_t index) {
    std::optional<UnitLayout> l = WalkUnitRecord(record(index), IsMenuItemId(unitId(index)));
    if (!l) return false;
    layouts_[index] = *l;
    return true;
}

void TemplateWindow::ClearSlots() {
    for (Slots& s : slots_) s = Slots{};
}

void TemplateWindow::WriteTo(std::vector<uint8_t>& out) const {
    PutI32(out, firstWord_);
    PutI32(out, static_cast<int32_t>(classId_));
    PutBlock(out, Bytes(reinterpret_cast<const uint8_t*>(text1_.data()), text1_.size()));
    PutBlock(out, Bytes(reinterpret_cast<const uint8_t*>(text2_.data()), text2_.size()));
    PutI32(out, static_cast<int32_t>(ids_count_));
    PutBlock(out, table_);
}

// ---------------------------------------------------------------------------
// Template

namespace {

// Checks the unit table and fills the window's layouts.
ReadStatus ReadUnitTable(const std::vector<uint8_t>& table, size_t units, std::vector<UnitLayout>& layouts) {
    if (units > table.size() / 8) return ReadStatus::kBadUnitTable;
    const size_t base = units * 8;
    struct Range {
        size_t start, end;
    };
    std::vector<Range> ranges;
    ranges.reserve(units);
    layouts.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t offset = U32(table.data() + (units + i) * 4);
        if (offset > table.size() - base || table.size() - base - offset < 4) return ReadStatus::kTruncated;
        size_t start = base + offset;
        int32_t length = static_cast<int32_t>(U32(table.data() + start));
        if (length < 0 || size_t(length) > table.size() - start - 4) return ReadStatus::kTruncated;
        ranges.push_back({start, start + 4 + size_t(length)});
        uint32_t id = U32(table.data() + i * 4);
        std::optional<UnitLayout> l = WalkUnitRecord(Bytes(table.data() + start + 4, size_t(length)), IsMenuItemId(id));
        if (!l) return ReadStatus::kBadRecord;
        layouts.push_back(*l);
    }
    // In-place edits move whole records: they must not overlap.
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].start < ranges[i - 1].end) return ReadStatus::kBadUnitTable;
    return ReadStatus::kOk;
}

}  // namespace

ReadStatus Template::Read(Bytes data, uintptr_t procedureBase, Template& out) {
    out = Template{};
    out.procedureBase_ = procedureBase;
    try {
        Template read;
        read.procedureBase_ = procedureBase;
        ReadStatus status = read.ReadWindows(data);
        if (status == ReadStatus::kOk) out = std::move(read);
        return status;
    } catch (const std::bad_alloc&) {
        return ReadStatus::kOutOfMemory;
    } catch (const std::length_error&) {
        return ReadStatus::kOutOfMemory;
    }
}

ReadStatus Template::ReadWindows(Bytes data) {
    if (data.empty()) return ReadStatus::kOk;
    ByteReader r(data);
    int32_t listLength = r.I32();
    if (r.failed()) return ReadStatus::kTruncated;
    if (listLength < 0) listLength = 0;
    if (listLength % 8 != 0) return ReadStatus::kBadWindowList;
    if (size_t(listLength) > r.remaining()) return ReadStatus::kTruncated;
    size_t n = size_t(listLength) / 8;
    std::vector<uint32_t> ids(n);
    for (size_t i = 0; i < n; ++i) ids[i] = r.U32();
    r.Take(n * 4);  // address slots, rewritten on reading

    windows_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        TemplateWindow& w = windows_[i];
        w.id_ = ids[i];
        w.procedureBase_ = procedureBase_;
        w.firstWord_ = r.I32();
        w.classId_ = r.U32();
        Bytes t1 = r.Block();
        Bytes t2 = r.Block();
        int32_t units = r.I32();
        Bytes table = r.Block();
        if (r.failed()) return ReadStatus::kTruncated;
        if (units < 0) return ReadStatus::kBadUnitTable;
        w.text1_.assign(t1.begin(), t1.end());
        w.text2_.assign(t2.begin(), t2.end());
        w.table_.assign(table.begin(), table.end());
        w.ids_count_ = size_t(units);
        ReadStatus s = ReadUnitTable(w.table_, w.ids_count_, w.layouts_);
        if (s != ReadStatus::kOk) return s;
        w.slots_.assign(w.ids_count_, {});
    }
    // The template's length is exact: anything after the last record means
    // the stream is not what the program was built with.
    if (r.remaining() != 0) return ReadStatus::kTrailingBytes;
    return ReadStatus::kOk;
}

std::optional<size_t> Template::FindWindowIndex(uint32_t windowId) const {
    if ((windowId & 0x00FFFFFFu) == 0 || (windowId & 0x0F000000u) == 0) return std::nullopt;
    for (size_t i = 0; i < windows_.size(); ++i)
        if (windows_[i].id() == windowId) return i;
    return std::nullopt;
}

std::vector<uint8_t> Template::Write() const {
    std::vector<uint8_t> out;
    if (windows_.empty()) return out;
    PutI32(out, static_cast<int32_t>(windows_.size() * 8));
    for (const TemplateWindow& w : windows_) PutI32(out, static_cast<int32_t>(w.id()));
    for (size_t i = 0; i < windows_.size(); ++i) PutI32(out, 0);
    for (const TemplateWindow& w : windows_) w.WriteTo(out);
    return out;
}

Template& LoadedTemplate() {
    static Template loaded;
    return loaded;
}

void ReleaseTemplates() { LoadedTemplate() = Template(); }

bool ReadTemplates(const uint8_t* data, size_t length, uintptr_t procedureBase) {
    if (length == 0) return true;
    if (!data) return false;
    Template read;
    if (Template::Read(Bytes(data, length), procedureBase, read) != ReadStatus::kOk) return false;
    try {
        Template& loaded = LoadedTemplate();
        loaded.procedureBase_ = procedureBase;
        for (size_t i = 0; i < read.windowCount(); ++i) loaded.windows_.push_back(std::move(read.window(i)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace vx::wt
