#include "tools/wtc/window_parser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>
#include <map>
#include <optional>

#include "runtime/windows/template/event_numbers.h"
#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"
#include "tools/wtc/wtc.h"

namespace wtc {
namespace {

namespace wt = vx::wt;
using Buffer = std::vector<uint8_t>;

class WindowParser {
public:
    WindowParser(const Source& source, const Compiler& compiler, std::filesystem::path baseDir)
        : src_(source), compiler_(compiler), baseDir_(std::move(baseDir)) {}

    uint32_t id = 0;
    Buffer record;
    std::vector<AccessEntry> access;

    void Parse() {
        const auto& lines = src_.lines();
        size_t i = 0;
        if (lines.empty() || Word(lines[0], 0) != "window") {
            if (lines.empty()) throw CompileError("empty window source");
            src_.Fail(lines[0], "a window source starts with 'window <id>'");
        }
        Expect(lines[0], 2);
        id = U32(lines[0], 1);
        ++i;
        int32_t firstWord = 0;
        uint32_t classId = 0;
        std::string text1, text2;
        std::map<std::string, bool> seen;
        for (; i < lines.size(); ++i) {
            const Line& l = lines[i];
            std::string key = Word(l, 0);
            if (key == "unit" || key == "menu") break;
            if (seen[key]) src_.Fail(l, "'" + key + "' given twice");
            seen[key] = true;
            if (key == "first-word") {
                firstWord = OneI32(l);
            } else if (key == "class-id") {
                classId = OneU32(l);
            } else if (key == "texts") {
                Expect(l, 3);
                text1 = Str(l, 1);
                text2 = Str(l, 2);
            } else {
                src_.Fail(l, "unknown window key '" + key + "'");
            }
        }
        if (!seen["first-word"] || !seen["class-id"]) src_.Fail(lines[0], "window needs first-word and class-id");

        std::vector<uint32_t> unitIds;
        std::vector<Buffer> unitRecords;
        while (i < lines.size()) {
            const Line& l = lines[i];
            Buffer rec;
            if (Word(l, 0) == "unit") {
                Expect(l, 3);
                unitIds.push_back(U32(l, 1));
                i = ParseUnit(i, rec);
            } else if (Word(l, 0) == "menu") {
                Expect(l, 2);
                unitIds.push_back(U32(l, 1));
                i = ParseMenu(i, rec);
            } else {
                src_.Fail(l, "expected 'unit' or 'menu'");
            }
            unitRecords.push_back(std::move(rec));
        }
        if (unitIds.empty()) src_.Fail(lines[0], "a window has at least its own unit");
        for (size_t a = 0; a < unitIds.size(); ++a)
            for (size_t b = a + 1; b < unitIds.size(); ++b)
                if (unitIds[a] == unitIds[b]) src_.Fail(lines[0], "unit id used twice");

        Buffer table;
        for (uint32_t u : unitIds) wt::PutI32(table, int32_t(u));
        uint32_t offset = 0;
        for (const Buffer& r : unitRecords) {
            wt::PutI32(table, int32_t(offset));
            offset += uint32_t(4 + r.size());
        }
        for (const Buffer& r : unitRecords) wt::PutBlock(table, r);

        wt::PutI32(record, firstWord);
        wt::PutI32(record, int32_t(classId));
        wt::PutCountedText(record, text1);
        wt::PutCountedText(record, text2);
        wt::PutI32(record, int32_t(unitIds.size()));
        wt::PutBlock(record, table);
    }

private:
    // A unit: keys indented under its header line, the type data in a
    // 'data' ... 'end' section.
    size_t ParseUnit(size_t i, Buffer& rec) {
        const auto& lines = src_.lines();
        const Line& head = lines[i];
        const wt::TypeSchema* schema = wt::FindSchemaByName(Word(head, 2));
        if (!schema) src_.Fail(head, "unknown unit type '" + Word(head, 2) + "'");
        std::string name, comment, tag;
        uint32_t groupLink = 0, parent = 0, flags = 0;
        int32_t geometry[4] = {};
        int32_t tabOrder = 0;
        std::vector<uint32_t> children;
        Buffer pointer;
        std::vector<std::pair<int32_t, int32_t>> events;
        Buffer typeData;
        bool haveData = false;
        std::map<std::string, bool> seen;
        for (++i; i < lines.size(); ++i) {
            const Line& l = lines[i];
            std::string key = Word(l, 0);
            if (key == "unit" || key == "menu") break;
            if (key != "event" && seen[key]) src_.Fail(l, "'" + key + "' given twice");
            seen[key] = true;
            if (key == "name") {
                name = OneText(l);
            } else if (key == "comment") {
                comment = OneText(l);
            } else if (key == "tag") {
                tag = OneText(l);
            } else if (key == "group-link") {
                groupLink = OneU32(l);
            } else if (key == "rect") {
                Expect(l, 5);
                for (int k = 0; k < 4; ++k) geometry[k] = I32(l, size_t(k) + 1);
            } else if (key == "parent") {
                parent = OneU32(l);
            } else if (key == "children") {
                for (size_t k = 1; k < l.tokens.size(); ++k) children.push_back(U32(l, k));
            } else if (key == "flags") {
                flags = UnitFlags(l);
            } else if (key == "tab-order") {
                tabOrder = OneI32(l);
            } else if (key == "pointer") {
                pointer = PointerBlock(l);
            } else if (key == "event") {
                Expect(l, 3);
                events.emplace_back(EventNumber(l, 1, schema->name), Handler(l, 2));
            } else if (key == "access") {
                access.push_back(Access(l, U32(head, 1)));
            } else if (key == "data") {
                Expect(l, 1);
                i = ParseTypeData(i, *schema, typeData);
                haveData = true;
            } else {
                src_.Fail(l, "unknown unit key '" + key + "'");
            }
        }
        for (const char* required : {"name", "rect", "flags", "tab-order"})
            if (!seen[required]) src_.Fail(head, std::string("unit needs '") + required + "'");
        if (schema->hasData && !haveData) src_.Fail(head, "unit needs a 'data' section");

        wt::PutI32(rec, int32_t(schema->typeId));
        wt::PutI32(rec, int32_t(groupLink));
        for (int k = 0; k < 4; ++k) wt::PutI32(rec, 0);
        wt::PutZeroText(rec, name);
        wt::PutZeroText(rec, comment);
        wt::PutI32(rec, 0);  // live object
        for (int32_t g : geometry) wt::PutI32(rec, g);
        wt::PutI32(rec, 0);  // cursor
        wt::PutI32(rec, int32_t(parent));
        wt::PutI32(rec, int32_t(children.size()));
        for (uint32_t c : children) wt::PutI32(rec, int32_t(c));
        wt::PutBlock(rec, pointer);
        wt::PutZeroText(rec, tag);
        wt::PutI32(rec, 0);
        wt::PutI32(rec, int32_t(flags));
        wt::PutI32(rec, tabOrder);
        wt::PutI32(rec, int32_t(events.size()));
        for (auto [event, offset] : events) {
            wt::PutI32(rec, event);
            wt::PutI32(rec, offset);
        }
        for (int k = 0; k < 5; ++k) wt::PutI32(rec, 0);
        rec.insert(rec.end(), typeData.begin(), typeData.end());
        return i;
    }

    // access <role> ["<name>"]
    AccessEntry Access(const Line& l, uint32_t unitId) {
        if (l.tokens.size() != 2 && l.tokens.size() != 3) src_.Fail(l, "expected access <role> [\"<name>\"]");
        std::optional<wt::AccessRole> role = wt::AccessRoleFromWord(Word(l, 1));
        if (!role) src_.Fail(l, "unknown access role '" + Word(l, 1) + "'");
        AccessEntry e;
        e.windowId = id;
        e.unitId = unitId;
        e.role = *role;
        if (l.tokens.size() == 3) e.name = ZeroFree(l, Str(l, 2));
        return e;
    }

    size_t ParseMenu(size_t i, Buffer& rec) {
        const auto& lines = src_.lines();
        const Line& head = lines[i];
        std::string name, comment, caption;
        int32_t words[2] = {};
        uint32_t type = 0, flags = 0;
        int32_t handler = wt::kNoHandler;
        std::map<std::string, bool> seen;
        for (++i; i < lines.size(); ++i) {
            const Line& l = lines[i];
            std::string key = Word(l, 0);
            if (key == "unit" || key == "menu") break;
            if (seen[key]) src_.Fail(l, "'" + key + "' given twice");
            seen[key] = true;
            if (key == "name") {
                name = OneText(l);
            } else if (key == "comment") {
                comment = OneText(l);
            } else if (key == "caption") {
                caption = OneText(l);
            } else if (key == "type") {
                type = OneU32(l);
            } else if (key == "words") {
                Expect(l, 3);
                words[0] = I32(l, 1);
                words[1] = I32(l, 2);
            } else if (key == "flags") {
                flags = OneU32(l);
            } else if (key == "click") {
                Expect(l, 2);
                handler = Handler(l, 1);
            } else {
                src_.Fail(l, "unknown menu key '" + key + "'");
            }
        }
        if (!seen["name"] || !seen["caption"]) src_.Fail(head, "menu item needs 'name' and 'caption'");
        wt::PutI32(rec, int32_t(type));
        wt::PutI32(rec, 0);
        for (int k = 0; k < 4; ++k) wt::PutI32(rec, 0);
        wt::PutZeroText(rec, name);
        wt::PutZeroText(rec, comment);
        wt::PutI32(rec, words[0]);
        wt::PutI32(rec, words[1]);
        wt::PutI32(rec, int32_t(flags));
        wt::PutZeroText(rec, caption);
        wt::PutI32(rec, handler);
        return i;
    }

    // Fields in stored order, each on its own line, up to 'end' (its index
    // is returned).
    size_t ParseTypeData(size_t i, const wt::TypeSchema& schema, Buffer& out) {
        const auto& lines = src_.lines();
        const Line& head = lines[i];
        if (!schema.hasData) src_.Fail(head, std::string(schema.name) + " stores no data");
        int32_t version = 0;
        size_t field = 0;
        auto nextField = [&]() -> const wt::FieldSpec* {
            while (field < schema.fields.size() && version < schema.fields[field].sinceVersion) ++field;
            return field < schema.fields.size() ? &schema.fields[field] : nullptr;
        };
        for (++i; i < lines.size(); ++i) {
            const Line& l = lines[i];
            if (Word(l, 0) == "end") {
                Expect(l, 1);
                if (const wt::FieldSpec* missing = nextField())
                    src_.Fail(l, std::string("missing field ") + missing->name);
                return i;
            }
            const wt::FieldSpec* f = nextField();
            if (!f) src_.Fail(l, "field '" + Word(l, 0) + "' after the last field");
            if (Word(l, 0) != f->name)
                src_.Fail(l, "expected field " + std::string(f->name) + ", found '" + Word(l, 0) + "'");
            WriteField(l, *f, out);
            if (field == 0) {
                version = I32(l, 1);
                if (version > schema.highestVersion)
                    src_.Fail(l, "version above " + std::to_string(schema.highestVersion));
            }
            ++field;
        }
        src_.Fail(head, "'data' without 'end'");
    }

    void WriteField(const Line& l, const wt::FieldSpec& f, Buffer& out) {
        switch (f.kind) {
        case wt::FieldKind::kInt32:
            Expect(l, 2);
            wt::PutI32(out, I32(l, 1));
            break;
        case wt::FieldKind::kInt16: {
            Expect(l, 2);
            int32_t v = I32(l, 1);
            if (v < 0 || v > 0xFFFF) src_.Fail(l, "16-bit value out of range");
            wt::PutU16(out, uint16_t(v));
            break;
        }
        case wt::FieldKind::kText:
            Expect(l, 2);
            wt::PutCountedText(out, Str(l, 1));
            break;
        case wt::FieldKind::kBlock: wt::PutBlock(out, FileOrNone(l, 1)); break;
        case wt::FieldKind::kFont:
            if (Word(l, 1) == "none") {
                Expect(l, 2);
                wt::PutBlock(out, {});
            } else {
                wt::PutBlock(out, LogFont(l, 1));
            }
            break;
        case wt::FieldKind::kLogFont: {
            Buffer font = LogFont(l, 1);
            out.insert(out.end(), font.begin(), font.end());
            break;
        }
        case wt::FieldKind::kImageList: wt::PutBlock(out, ImageList(l)); break;
        }
    }

    // 'none' or 'file "name"'.
    Buffer FileOrNone(const Line& l, size_t at) {
        if (Word(l, at) == "none") {
            Expect(l, at + 1);
            return {};
        }
        if (Word(l, at) != "file") src_.Fail(l, "expected 'none' or 'file \"name\"'");
        Expect(l, at + 2);
        std::string bytes = ReadPicture(l, RawStr(l, at + 1));
        if (bytes.empty()) src_.Fail(l, "empty file");
        return Buffer(bytes.begin(), bytes.end());
    }

    std::string ReadPicture(const Line& l, const std::string& name) {
        try {
            return ReadFile(baseDir_ / name);
        } catch (const CompileError& e) {
            src_.Fail(l, e.what());
        }
    }

    Buffer PointerBlock(const Line& l) {
        std::string kind = Word(l, 1);
        if (kind == "default") {
            Expect(l, 2);
            return {};
        }
        if (kind == "hand" || kind == "system") {
            int32_t id = wt::kHandCursorId;
            if (kind == "system") {
                Expect(l, 3);
                id = I32(l, 2);
            } else {
                Expect(l, 2);
            }
            Buffer b;
            wt::PutI32(b, id);
            return b;
        }
        if (kind == "file") return FileOrNone(l, 1);
        src_.Fail(l, "pointer is 'default', 'hand', 'system <id>' or 'file \"name\"'");
    }

    // font height <n> weight <n> ... face "<name>": a 60-byte LOGFONTA.
    Buffer LogFont(const Line& l, size_t at) {
        if (Word(l, at) != "font") src_.Fail(l, "expected 'none' or 'font ...'");
        static const char* const kIntFields[] = {"height", "width", "escapement", "orientation", "weight"};
        static const char* const kByteFields[] = {"italic",       "underline",     "strikeout", "charset",
                                                  "outprecision", "clipprecision", "quality",   "pitchfamily"};
        std::map<std::string, int32_t> numbers;
        std::string face;
        for (size_t k = at + 1; k < l.tokens.size(); k += 2) {
            if (k + 1 >= l.tokens.size()) src_.Fail(l, "font attribute without value");
            std::string key = Word(l, k);
            if (key == "face") {
                face = Str(l, k + 1);
                if (face.size() > 31 || face.find('\0') != std::string::npos) src_.Fail(l, "face name too long");
                continue;
            }
            bool known = false;
            for (const char* n : kIntFields) known |= key == n;
            for (const char* n : kByteFields) known |= key == n;
            if (!known) src_.Fail(l, "unknown font attribute '" + key + "'");
            numbers[key] = I32(l, k + 1);
        }
        Buffer font;
        for (const char* n : kIntFields) wt::PutI32(font, numbers[n]);
        for (const char* n : kByteFields) {
            int32_t v = numbers[n];
            if (v < 0 || v > 255) src_.Fail(l, std::string(n) + " out of range");
            font.push_back(uint8_t(v));
        }
        font.insert(font.end(), face.begin(), face.end());
        font.resize(wt::kLogFontSize, 0);
        return font;
    }

    // none | imagelist "strip.png" cell <w> <h> count <n>
    Buffer ImageList(const Line& l) {
        if (Word(l, 1) == "none") {
            Expect(l, 2);
            return {};
        }
        if (Word(l, 1) != "imagelist") src_.Fail(l, "expected 'none' or 'imagelist'");
        Expect(l, 8);
        if (Word(l, 3) != "cell" || Word(l, 6) != "count") src_.Fail(l, "imagelist \"file\" cell <w> <h> count <n>");
        Pixels strip;
        try {
            strip = ReadPng(baseDir_ / RawStr(l, 2));
        } catch (const CompileError& e) {
            src_.Fail(l, e.what());
        }
        int32_t w = I32(l, 4), h = I32(l, 5), n = I32(l, 7);
        if (w <= 0 || h <= 0 || n <= 0 || w > 0xFFFF || h > 0xFFFF) src_.Fail(l, "bad cell size or count");
        uint32_t across = strip.width / uint32_t(w), down = strip.height / uint32_t(h);
        if (uint64_t(across) * down < uint64_t(n)) src_.Fail(l, "the strip holds fewer cells than the count");
        return ImageListBlock(strip, uint32_t(w), uint32_t(h), uint32_t(n));
    }

    // An event by number or by name (the unit type's own events and those of
    // every windowed unit).
    int32_t EventNumber(const Line& l, size_t at, std::string_view type) {
        std::string word = Word(l, at);
        if (!word.empty() && (word[0] == '-' || std::isdigit(static_cast<unsigned char>(word[0])))) return I32(l, at);
        if (std::optional<int32_t> n = wt::event::FindEventNumber(type, word)) return *n;
        src_.Fail(l, "unknown event '" + word + "' of " + std::string(type));
    }

    // A unit's flags word: a number, or the names of its set bits.
    uint32_t UnitFlags(const Line& l) {
        static constexpr std::pair<std::string_view, uint32_t> kNames[] = {
            {"Visible", wt::kUnitVisible}, {"Disabled", wt::kUnitDisabled}, {"TabStop", wt::kUnitTabStop}};
        if (l.tokens.size() == 2 && !l.tokens[1].quoted && !l.tokens[1].text.empty() &&
            std::isdigit(static_cast<unsigned char>(l.tokens[1].text[0])))
            return U32(l, 1);
        if (l.tokens.size() < 2) src_.Fail(l, "'flags' takes a number or flag names");
        uint32_t flags = 0;
        for (size_t k = 1; k < l.tokens.size(); ++k) {
            std::string word = Word(l, k);
            auto it =
                std::find_if(std::begin(kNames), std::end(kNames), [&](const auto& n) { return n.first == word; });
            if (it == std::end(kNames)) src_.Fail(l, "unknown flag '" + word + "' (Visible, Disabled, TabStop)");
            if (flags & it->second) src_.Fail(l, "flag '" + word + "' given twice");
            flags |= it->second;
        }
        return flags;
    }

    int32_t Handler(const Line& l, size_t at) {
        std::string name = Word(l, at);
        if (name == "none") return wt::kNoHandler;
        try {
            return compiler_.ProcedureOffset(name);
        } catch (const CompileError& e) {
            src_.Fail(l, e.what());
        }
    }

    std::string ZeroFree(const Line& l, std::string s) {
        if (s.find('\0') != std::string::npos) src_.Fail(l, "this text is zero-terminated: no \\0 inside");
        return s;
    }

    void Expect(const Line& l, size_t count) {
        if (l.tokens.size() != count)
            src_.Fail(l, "'" + Word(l, 0) + "' takes " + std::to_string(count - 1) + " value(s)");
    }
    std::string Word(const Line& l, size_t at) {
        if (at >= l.tokens.size()) src_.Fail(l, "missing value");
        if (l.tokens[at].quoted) src_.Fail(l, "unexpected string");
        return l.tokens[at].text;
    }
    std::string Str(const Line& l, size_t at) {
        if (at >= l.tokens.size() || !l.tokens[at].quoted) src_.Fail(l, "expected a quoted text");
        return l.tokens[at].text;
    }
    // File names: quoted, ASCII.
    std::string RawStr(const Line& l, size_t at) { return Str(l, at); }
    int64_t Number(const Line& l, size_t at) {
        std::string w = Word(l, at);
        std::string_view s = w;
        bool negative = !s.empty() && s[0] == '-';
        if (negative) s.remove_prefix(1);
        int base = 10;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            s.remove_prefix(2);
            base = 16;
        }
        uint64_t v = 0;
        auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
        if (s.empty() || ec != std::errc() || ptr != s.data() + s.size() || v > 0xFFFFFFFFu)
            src_.Fail(l, "bad number '" + w + "'");
        if (negative && v > 0x80000000u) src_.Fail(l, "number out of range '" + w + "'");
        return negative ? -int64_t(v) : int64_t(v);
    }
    int32_t I32(const Line& l, size_t at) { return int32_t(uint32_t(uint64_t(Number(l, at)))); }
    uint32_t U32(const Line& l, size_t at) { return uint32_t(uint64_t(Number(l, at))); }
    // A "key value" line's one value.
    std::string OneText(const Line& l) {
        Expect(l, 2);
        return ZeroFree(l, Str(l, 1));
    }
    uint32_t OneU32(const Line& l) {
        Expect(l, 2);
        return U32(l, 1);
    }
    int32_t OneI32(const Line& l) {
        Expect(l, 2);
        return I32(l, 1);
    }

    const Source& src_;
    const Compiler& compiler_;
    std::filesystem::path baseDir_;
};

}  // namespace

ParsedWindow ParseWindow(const Source& source, const Compiler& compiler, const std::filesystem::path& baseDir) {
    WindowParser parser(source, compiler, baseDir);
    parser.Parse();
    return ParsedWindow{parser.id, std::move(parser.record), std::move(parser.access)};
}

}  // namespace wtc
