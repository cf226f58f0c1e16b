#include "runtime/commands/text_ops.h"

#include <cstdint>
#include <limits>

#include "runtime/base/text.h"

namespace vx::commands {
namespace {

unsigned char Byte(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

bool MatchesAt(const text::LeadBytes& lead, std::string_view text, size_t pos, std::string_view needle,
               bool ignoreCase) {
    for (size_t i = 0; i < needle.size();) {
        unsigned char n = Byte(needle, i);
        if (text::IsLeadByte(lead, n) && i + 1 < needle.size()) {
            // Double-byte characters compare exactly: a trail byte may look
            // like an ASCII letter without being one.
            if (Byte(text, pos + i) != n || Byte(text, pos + i + 1) != Byte(needle, i + 1)) return false;
            i += 2;
            continue;
        }
        unsigned char t = Byte(text, pos + i);
        if (ignoreCase ? FoldAscii(t) != FoldAscii(n) : t != n) return false;
        ++i;
    }
    return true;
}

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int32_t FindTextIn(const text::LeadBytes& lead, std::string_view text, std::string_view needle, int32_t start,
                   bool ignoreCase) {
    size_t from = start > 1 ? static_cast<size_t>(start) - 1 : 0;
    if (from >= text.size()) return -1;
    if (needle.empty()) return 1;
    if (needle.size() > text.size()) return -1;
    // Character boundaries are found from the beginning of the text, so a
    // start inside a double-byte character does not make its trail a lead.
    for (size_t i = 0; i + needle.size() <= text.size(); i += text::CharWidth(lead, text, i)) {
        if (i < from) continue;
        if (MatchesAt(lead, text, i, needle, ignoreCase)) {
            return i < size_t(std::numeric_limits<int32_t>::max()) ? static_cast<int32_t>(i + 1) : -1;
        }
    }
    return -1;
}

std::string LowerCaseText(const text::LeadBytes& lead, std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        unsigned char c = Byte(out, i);
        if (text::IsLeadByte(lead, c)) {
            i += 2;
            continue;
        }
        out[i] = static_cast<char>(FoldAscii(c));
        ++i;
    }
    return out;
}

std::string NarrowFullWidth(const text::LeadBytes& lead, std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t w = text::CharWidth(lead, text, i);
        if (w == 2) {
            unsigned char lead = Byte(text, i), trail = Byte(text, i + 1);
            // 0xA3A4 is the full-width yuan sign, which has no single-byte form.
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE && trail != 0xA4) {
                out.push_back(static_cast<char>(trail - 0x80));
            } else if (lead == 0xA1 && trail == 0xA1) {
                out.push_back(' ');
            } else {
                out.append(text.substr(i, 2));
            }
        } else {
            out.push_back(text[i]);
        }
        i += w;
    }
    return out;
}

int32_t ParseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(Byte(text, i))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int32_t>(-value);
    return value > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                       : static_cast<int32_t>(value);
}

std::vector<std::string> SplitCommandLine(const text::LeadBytes& lead, std::string_view line) {
    size_t i = 0;
    // The program name: quoted to the next quote, else to the first blank;
    // the byte that ends it goes with it.
    if (!line.empty() && line[0] == '"') {
        i = 1;
        while (i < line.size() && line[i] != '"') i += text::CharWidth(lead, line, i);
        if (i < line.size()) ++i;
        if (i < line.size() && line[i] == ' ') ++i;
    } else {
        while (i < line.size() && line[i] != ' ') i += text::CharWidth(lead, line, i);
        if (i < line.size()) ++i;
    }

    std::vector<std::string> args;
    while (i < line.size()) {
        unsigned char c = Byte(line, i);
        if (c == '"') {
            size_t begin = ++i;
            while (i < line.size() && line[i] != '"') i += text::CharWidth(lead, line, i);
            args.emplace_back(line.substr(begin, i - begin));
            if (i < line.size()) ++i;
        } else if (c < '!') {
            ++i;
        } else {
            size_t begin = i;
            while (i < line.size() && line[i] != '"' && Byte(line, i) >= '!') i += text::CharWidth(lead, line, i);
            if (i > line.size()) i = line.size();
            args.emplace_back(line.substr(begin, i - begin));
        }
    }
    return args;
}

RegistryPath SplitRegistryPath(const text::LeadBytes& lead, std::string_view path) {
    size_t slash = text::FindLastChar(lead, path, '\\');
    if (slash == std::string_view::npos) return {std::string(), std::string(path)};
    return {std::string(path.substr(0, slash)), std::string(path.substr(slash + 1))};
}

}  // namespace vx::commands
