// Double-byte aware text helpers over ANSI code-page bytes. A lead byte of the
// code page and the byte after it form one character, so a trail byte equal
// to '\\' is never taken for a separator. Which bytes lead depends on the
// code page: the helpers take its table, and the forms without one use the
// system's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vx::text {

// The lead bytes of one ANSI code page as a 256-bit set.
class LeadBytes {
public:
    constexpr LeadBytes() = default;
    constexpr LeadBytes(unsigned char first, unsigned char last) { AddRange(first, last); }

    constexpr void AddRange(unsigned char first, unsigned char last) {
        for (unsigned c = first; c <= last; ++c) bits_[c / 64] |= uint64_t(1) << (c % 64);
    }
    constexpr bool Contains(unsigned char c) const { return (bits_[c / 64] >> (c % 64)) & 1; }
    constexpr bool operator==(const LeadBytes&) const = default;

private:
    uint64_t bits_[4] = {};
};

// Code page 936 (GBK): 0x80 (the euro sign) and 0xFF stand alone.
constexpr unsigned char kGbkFirstLead = 0x81;
constexpr unsigned char kGbkLastLead = 0xFE;
inline constexpr LeadBytes kGbkLeadBytes{kGbkFirstLead, kGbkLastLead};
// Single-byte code pages (1252 and the like): every byte is a character.
inline constexpr LeadBytes kSingleByte{};

// The table of the system's ANSI code page, read once. The Windows build asks
// the system; the native build stands in GBK, the code page of the program's
// own texts.
const LeadBytes& SystemLeadBytes();

inline bool IsLeadByte(const LeadBytes& lead, unsigned char c) { return lead.Contains(c); }

// Width in bytes of the character starting at s[i] (1 or 2; a lead byte at
// the very end counts as 1).
inline size_t CharWidth(const LeadBytes& lead, std::string_view s, size_t i) {
    return (lead.Contains(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Position of the last single-byte character c, or npos.
inline size_t FindLastChar(const LeadBytes& lead, std::string_view s, char c) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += CharWidth(lead, s, i))
        if (s[i] == c) found = i;
    return found;
}

// Position of the first single-byte character c at or after from, or npos.
inline size_t FindChar(const LeadBytes& lead, std::string_view s, char c, size_t from = 0) {
    for (size_t i = 0; i < s.size(); i += CharWidth(lead, s, i))
        if (i >= from && s[i] == c) return i;
    return std::string_view::npos;
}

// Position where the last character starts, or npos for an empty text.
inline size_t LastCharStart(const LeadBytes& lead, std::string_view s) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += CharWidth(lead, s, i)) last = i;
    return last;
}

// Whether the last character is the single-byte c, not the trail of a
// double-byte character that happens to equal it.
inline bool EndsWithChar(const LeadBytes& lead, std::string_view s, char c) {
    const size_t last = LastCharStart(lead, s);
    return last != std::string_view::npos && last + 1 == s.size() && s[last] == c;
}

inline size_t CharWidth(std::string_view s, size_t i) { return CharWidth(SystemLeadBytes(), s, i); }
inline size_t FindLastChar(std::string_view s, char c) { return FindLastChar(SystemLeadBytes(), s, c); }
inline size_t FindChar(std::string_view s, char c, size_t from = 0) { return FindChar(SystemLeadBytes(), s, c, from); }
inline bool EndsWithChar(std::string_view s, char c) { return EndsWithChar(SystemLeadBytes(), s, c); }

inline std::string_view View(const char* t) { return t ? std::string_view(t) : std::string_view(); }

}  // namespace vx::text
