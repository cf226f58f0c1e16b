// Double-byte aware text helpers over ANSI code-page bytes. A byte with the
// top bit set and the byte after it form one character, so a trail byte equal
// to '\\' is never taken for a separator.
#pragma once

#include <cstddef>
#include <string_view>

namespace vx::text {

inline bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// Width in bytes of the character starting at s[i] (1 or 2; a lead byte at
// the very end counts as 1).
inline size_t CharWidth(std::string_view s, size_t i) {
    return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Position of the last single-byte character c, or npos.
inline size_t FindLastChar(std::string_view s, char c) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += CharWidth(s, i))
        if (s[i] == c) found = i;
    return found;
}

// Position of the first single-byte character c at or after from, or npos.
inline size_t FindChar(std::string_view s, char c, size_t from = 0) {
    for (size_t i = 0; i < s.size(); i += CharWidth(s, i))
        if (i >= from && s[i] == c) return i;
    return std::string_view::npos;
}

inline std::string_view View(const char* t) { return t ? std::string_view(t) : std::string_view(); }

}  // namespace vx::text
