#include "tools/wtc/source.h"

#include <charconv>

#include "tools/wtc/wtc.h"

namespace wtc {

Source::Source(std::string_view text, std::string where) : where_(std::move(where)) {
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

void Source::Fail(const Line& line, const std::string& message) const {
    throw CompileError(where_ + ":" + std::to_string(line.number) + ": " + message);
}

Line Source::Tokenize(std::string_view raw, int number) {
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
std::string Source::ParseString(std::string_view raw, size_t& i, const Line& line) {
    std::string out, pending;
    auto flush = [&] {
        try {
            out += ToGbk(pending);
        } catch (const CompileError& e) {
            Fail(line, e.what());  // a text GBK cannot hold: name its line
        }
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
        case '0':
            flush();
            out += '\0';
            break;
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

}  // namespace wtc
