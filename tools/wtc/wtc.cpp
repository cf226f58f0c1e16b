#include "tools/wtc/wtc.h"

#include <iconv.h>
#include <png.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>

#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"

namespace wtc {

namespace wt = vx::wt;
using Buffer = std::vector<uint8_t>;

namespace {

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw CompileError("cannot read " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// --------------------------------------------------------------------------
// Lines and tokens

struct Token {
    std::string text;   // a word, or a string's bytes (already GBK)
    bool quoted = false;
};

struct Line {
    int number = 0;
    int indent = 0;
    std::vector<Token> tokens;
};

class Source {
public:
    Source(std::string_view text, std::string where) : where_(std::move(where)) {
        int number = 0;
        size_t pos = 0;
        while (pos <= text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view raw = text.substr(pos, end - pos);
            ++number;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            Line line = Tokenize(raw, number);
            if (!line.tokens.empty()) lines_.push_back(std::move(line));
            pos = end + 1;
        }
    }

    [[noreturn]] void Fail(const Line& line, const std::string& message) const {
        throw CompileError(where_ + ":" + std::to_string(line.number) + ": " + message);
    }
    const std::vector<Line>& lines() const { return lines_; }

private:
    Line Tokenize(std::string_view raw, int number) {
        Line line;
        line.number = number;
        size_t i = 0;
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
        line.indent = int(i);
        while (i < raw.size()) {
            char c = raw[i];
            if (c == ' ' || c == '\t') {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                line.tokens.push_back({ParseString(raw, i, line), true});
            } else {
                size_t start = i;
                while (i < raw.size() && raw[i] != ' ' && raw[i] != '\t' && raw[i] != '"') ++i;
                line.tokens.push_back({std::string(raw.substr(start, i - start)), false});
            }
        }
        return line;
    }

    // A quoted string from raw[i] (the quote); UTF-8 text becomes GBK, \xNN
    // escapes are taken as bytes.
    std::string ParseString(std::string_view raw, size_t& i, const Line& line) {
        std::string out, pending;
        auto flush = [&] {
            out += ToGbk(pending);
            pending.clear();
        };
        ++i;
        while (true) {
            if (i >= raw.size()) Fail(line, "unterminated string");
            char c = raw[i++];
            if (c == '"') break;
            if (c != '\\') {
                pending += c;
                continue;
            }
            if (i >= raw.size()) Fail(line, "unterminated string");
            char e = raw[i++];
            switch (e) {
            case 'n': pending += '\n'; break;
            case 'r': pending += '\r'; break;
            case 't': pending += '\t'; break;
            case '0': flush(); out += '\0'; break;
            case '\\': pending += '\\'; break;
            case '"': pending += '"'; break;
            case 'x': {
                unsigned value = 0;
                if (i + 2 > raw.size() ||
                    std::from_chars(raw.data() + i, raw.data() + i + 2, value, 16).ptr != raw.data() + i + 2)
                    Fail(line, "bad \\x escape");
                i += 2;
                flush();
                out += char(value);
                break;
            }
            default: Fail(line, std::string("unknown escape \\") + e);
            }
        }
        flush();
        return out;
    }

    std::string where_;
    std::vector<Line> lines_;
};

// --------------------------------------------------------------------------
// Parsing one window

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
                Expect(l, 2);
                firstWord = I32(l, 1);
            } else if (key == "class-id") {
                Expect(l, 2);
                classId = U32(l, 1);
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
                Expect(l, 2);
                name = ZeroFree(l, Str(l, 1));
            } else if (key == "comment") {
                Expect(l, 2);
                comment = ZeroFree(l, Str(l, 1));
            } else if (key == "tag") {
                Expect(l, 2);
                tag = ZeroFree(l, Str(l, 1));
            } else if (key == "group-link") {
                Expect(l, 2);
                groupLink = U32(l, 1);
            } else if (key == "rect") {
                Expect(l, 5);
                for (int k = 0; k < 4; ++k) geometry[k] = I32(l, size_t(k) + 1);
            } else if (key == "parent") {
                Expect(l, 2);
                parent = U32(l, 1);
            } else if (key == "children") {
                for (size_t k = 1; k < l.tokens.size(); ++k) children.push_back(U32(l, k));
            } else if (key == "flags") {
                Expect(l, 2);
                flags = U32(l, 1);
            } else if (key == "tab-order") {
                Expect(l, 2);
                tabOrder = I32(l, 1);
            } else if (key == "pointer") {
                pointer = PointerBlock(l);
            } else if (key == "event") {
                Expect(l, 3);
                events.emplace_back(I32(l, 1), Handler(l, 2));
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
                Expect(l, 2);
                name = ZeroFree(l, Str(l, 1));
            } else if (key == "comment") {
                Expect(l, 2);
                comment = ZeroFree(l, Str(l, 1));
            } else if (key == "caption") {
                Expect(l, 2);
                caption = ZeroFree(l, Str(l, 1));
            } else if (key == "type") {
                Expect(l, 2);
                type = U32(l, 1);
            } else if (key == "words") {
                Expect(l, 3);
                words[0] = I32(l, 1);
                words[1] = I32(l, 2);
            } else if (key == "flags") {
                Expect(l, 2);
                flags = U32(l, 1);
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
            if (Word(l, 0) != f->name) src_.Fail(l, "expected field " + std::string(f->name) + ", found '" + Word(l, 0) + "'");
            WriteField(l, *f, out);
            if (field == 0) {
                version = I32(l, 1);
                if (version > schema.highestVersion) src_.Fail(l, "version above " + std::to_string(schema.highestVersion));
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
        case wt::FieldKind::kBlock:
            wt::PutBlock(out, FileOrNone(l, 1));
            break;
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
        case wt::FieldKind::kImageList:
            wt::PutBlock(out, ImageList(l));
            break;
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
        static const char* const kByteFields[] = {"italic",        "underline",      "strikeout", "charset",
                                                  "outprecision",  "clipprecision",  "quality",   "pitchfamily"};
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

    const Source& src_;
    const Compiler& compiler_;
    std::filesystem::path baseDir_;
};

}  // namespace

// --------------------------------------------------------------------------

std::string ToGbk(std::string_view utf8) {
    if (utf8.empty()) return {};
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == iconv_t(-1)) throw CompileError("no UTF-8 to GBK conversion available");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* o = out.data();
    size_t outLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == size_t(-1)) throw CompileError("text not representable in GBK: " + std::string(utf8));
    out.resize(out.size() - outLeft);
    return out;
}

Pixels ReadPng(const std::filesystem::path& file) {
    std::string bytes = ReadFile(file);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw CompileError(file.string() + ": " + image.message);
    image.format = PNG_FORMAT_RGBA;
    Pixels p;
    p.width = image.width;
    p.height = image.height;
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr)) {
        std::string message = image.message;
        png_image_free(&image);
        throw CompileError(file.string() + ": " + message);
    }
    return p;
}

std::vector<uint8_t> ImageListBlock(const Pixels& strip, uint32_t cellWidth, uint32_t cellHeight,
                                    uint32_t count) {
    // The stream keeps its cells four to a row, as the image list holds them.
    constexpr uint32_t kTiles = 4;
    const uint32_t rows = (count + kTiles - 1) / kTiles;
    const uint32_t width = cellWidth * kTiles, height = cellHeight * rows;
    const uint32_t colourStride = (width * 24 + 31) / 32 * 4;
    const uint32_t maskStride = (width + 31) / 32 * 4;
    const uint32_t across = strip.width / cellWidth;

    Buffer colour(size_t(colourStride) * height, 0);
    Buffer mask(size_t(maskStride) * height, 0xFF);  // unused space is transparent
    for (uint32_t cell = 0; cell < count; ++cell) {
        uint32_t sx = (cell % across) * cellWidth, sy = (cell / across) * cellHeight;
        uint32_t dx = (cell % kTiles) * cellWidth, dy = (cell / kTiles) * cellHeight;
        for (uint32_t y = 0; y < cellHeight; ++y) {
            const uint8_t* src = &strip.rgba[(size_t(sy + y) * strip.width + sx) * 4];
            uint32_t row = height - 1 - (dy + y);  // bottom-up
            for (uint32_t x = 0; x < cellWidth; ++x, src += 4) {
                bool transparent = src[3] < 128 || (src[0] == 255 && src[1] == 0 && src[2] == 255);
                uint32_t px = dx + x;
                uint8_t* c = &colour[size_t(row) * colourStride + px * 3];
                uint8_t& m = mask[size_t(row) * maskStride + px / 8];
                uint8_t bit = uint8_t(0x80 >> (px % 8));
                if (transparent) {
                    c[0] = c[1] = c[2] = 0;  // masked pixels stay black in the colour bitmap
                } else {
                    c[0] = src[2];
                    c[1] = src[1];
                    c[2] = src[0];
                    m = uint8_t(m & ~bit);
                }
            }
        }
    }

    auto putU16 = [](Buffer& out, uint32_t v) { wt::PutU16(out, uint16_t(v)); };
    auto bitmap = [&](Buffer& out, uint16_t bits, const Buffer& pixels) {
        uint32_t palette = bits == 1 ? 8 : 0;
        uint32_t offBits = 14 + 40 + palette;
        putU16(out, 0x4D42);  // "BM"
        wt::PutI32(out, int32_t(offBits + pixels.size()));
        wt::PutI32(out, 0);
        wt::PutI32(out, int32_t(offBits));
        wt::PutI32(out, 40);
        wt::PutI32(out, int32_t(width));
        wt::PutI32(out, int32_t(height));
        putU16(out, 1);
        putU16(out, bits);
        wt::PutI32(out, 0);  // BI_RGB
        wt::PutI32(out, int32_t(pixels.size()));
        wt::PutI32(out, 0);
        wt::PutI32(out, 0);
        wt::PutI32(out, 0);
        wt::PutI32(out, 0);
        if (bits == 1) {
            wt::PutI32(out, 0x00000000);
            wt::PutI32(out, 0x00FFFFFF);
        }
        out.insert(out.end(), pixels.begin(), pixels.end());
    };

    Buffer out(std::begin(wt::kImageListTag), std::end(wt::kImageListTag));
    putU16(out, 0x4C49);  // "IL"
    putU16(out, 0x0101);
    putU16(out, count);              // images in the list
    putU16(out, rows * kTiles);      // room for
    putU16(out, kTiles);             // grow step
    putU16(out, cellWidth);
    putU16(out, cellHeight);
    wt::PutI32(out, -1);             // no background colour (CLR_NONE)
    putU16(out, 0x0018 | 0x0001);    // 24-bit colour with mask
    for (int k = 0; k < 4; ++k) putU16(out, 0xFFFF);  // no overlay images
    bitmap(out, 24, colour);
    bitmap(out, 1, mask);
    return out;
}

void Compiler::LoadProcedures(std::string_view listText) {
    procedures_.clear();
    size_t pos = 0;
    while (pos < listText.size()) {
        size_t end = listText.find('\n', pos);
        if (end == std::string_view::npos) end = listText.size();
        std::string_view name = listText.substr(pos, end - pos);
        while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.remove_suffix(1);
        if (name.empty() || name.find_first_of(" \t#") != std::string_view::npos)
            throw CompileError("procedure list: bad line " + std::to_string(procedures_.size() + 1));
        for (const std::string& p : procedures_)
            if (p == name) throw CompileError("procedure list: '" + std::string(name) + "' listed twice");
        procedures_.emplace_back(name);
        pos = end + 1;
    }
}

void Compiler::LoadProceduresFile(const std::filesystem::path& file) { LoadProcedures(ReadFile(file)); }

int32_t Compiler::ProcedureOffset(std::string_view name) const {
    for (size_t i = 0; i < procedures_.size(); ++i)
        if (procedures_[i] == name) return int32_t(i * 8);
    throw CompileError("unknown procedure '" + std::string(name) + "'");
}

void Compiler::AddWindow(std::string_view source, const std::string& where, const std::filesystem::path& baseDir) {
    Source src(source, where);
    WindowParser parser(src, *this, baseDir);
    parser.Parse();
    for (uint32_t id : ids_)
        if (id == parser.id) throw CompileError(where + ": window id used twice");
    ids_.push_back(parser.id);
    records_.push_back(std::move(parser.record));
    access_.insert(access_.end(), parser.access.begin(), parser.access.end());
}

void Compiler::AddWindowFile(const std::filesystem::path& file) {
    AddWindow(ReadFile(file), file.filename().string(), file.parent_path());
}

std::vector<uint8_t> Compiler::Build() const {
    Buffer out;
    if (ids_.empty()) return out;
    wt::PutI32(out, int32_t(ids_.size() * 8));
    for (uint32_t id : ids_) wt::PutI32(out, int32_t(id));
    for (size_t i = 0; i < ids_.size(); ++i) wt::PutI32(out, 0);
    for (const Buffer& r : records_) out.insert(out.end(), r.begin(), r.end());
    return out;
}

std::string EmbeddingSource(const std::vector<uint8_t>& bytes) {
    std::ostringstream s;
    s << "// Generated by wtc from data/windows: the program's window template.\n"
         "#include \"data/template_data.h\"\n\n"
         "alignas(4) const unsigned char vxTemplateData[] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 20 == 0) s << "\n   ";
        s << ' ' << unsigned(bytes[i]) << ',';
    }
    if (bytes.empty()) s << "0";
    s << "\n};\nextern const unsigned int vxTemplateSize = " << bytes.size() << "u;\n";
    return s.str();
}

std::string AccessTableSource(const std::vector<AccessEntry>& entries) {
    std::ostringstream s;
    s << "\n// What a screen reader is told of the units the 'access' lines name.\n"
         "extern const vx::wt::UnitAccess vxUnitAccess[] = {\n";
    for (const AccessEntry& e : entries) {
        s << "    {0x" << std::hex << e.windowId << "u, 0x" << e.unitId << "u, vx::wt::AccessRole(" << std::dec
          << int32_t(e.role) << "), \"";
        for (unsigned char c : e.name) s << "\\x" << std::hex << unsigned(c) << std::dec << "\"\"";
        s << "\"},\n";
    }
    if (entries.empty()) s << "    {0u, 0u, vx::wt::AccessRole::kOwn, \"\"},\n";
    s << "};\nextern const unsigned int vxUnitAccessCount = " << entries.size() << "u;\n";
    return s.str();
}

}  // namespace wtc
