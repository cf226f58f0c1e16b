#include "runtime/zip/zip_rules.h"

#include <algorithm>
#include <array>

#include "runtime/base/byte_reader.h"
#include "runtime/base/text.h"

namespace vx::zip {
namespace {

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// Names Windows maps to devices whatever folder or extension they carry.
bool IsReservedDeviceName(const text::LeadBytes& lead, std::string_view component) {
    static constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    std::string_view base = component.substr(0, text::FindChar(lead, component, '.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view n : kNames)
        if (EqualsNoCase(base, n)) return true;
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9')
        return EqualsNoCase(base.substr(0, 3), "COM") || EqualsNoCase(base.substr(0, 3), "LPT");
    return false;
}

bool IsForbiddenByte(unsigned char c) {
    static constexpr std::string_view kWildcards = "<>\"|?*";
    return c < 0x20 || kWildcards.find(static_cast<char>(c)) != std::string_view::npos;
}

// One step of a name between separators.
bool IsSafeComponent(const text::LeadBytes& lead, std::string_view c) {
    if (IsReservedDeviceName(lead, c)) return false;
    size_t last = 0;
    for (size_t i = 0; i < c.size(); i += text::CharWidth(lead, c, i)) {
        if (text::CharWidth(lead, c, i) == 1 && IsForbiddenByte(static_cast<unsigned char>(c[i]))) return false;
        last = i;
    }
    // A trailing "." or " " is stripped by Windows; this also refuses "." and "..".
    return !(text::CharWidth(lead, c, last) == 1 && (c[last] == '.' || c[last] == ' '));
}

// Trail bytes of the double-byte code pages (936, 932, 949, 950) all lie in
// 0x40..0xFE without 0x7F: none is a digit, ":", "/", "." or a control.
constexpr unsigned char kFirstTrail = 0x40;
constexpr unsigned char kDeleteByte = 0x7F;
constexpr unsigned char kLastTrail = 0xFE;

// Every lead byte of the code page has a trail byte that cannot be mistaken
// for an ASCII character. Otherwise the system's conversion could turn a
// hidden ":" or "/" into a real one.
bool IsWellFormed(const text::LeadBytes& lead, std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (!text::IsLeadByte(lead, static_cast<unsigned char>(s[i]))) continue;
        if (i + 1 >= s.size()) return false;
        const auto trail = static_cast<unsigned char>(s[++i]);
        if (trail < kFirstTrail || trail == kDeleteByte || trail > kLastTrail) return false;
    }
    return true;
}

// Character-wise search: a match must start on a character boundary.
bool ContainsChars(const text::LeadBytes& lead, std::string_view s, std::string_view needle) {
    for (size_t i = 0; i < s.size(); i += text::CharWidth(lead, s, i))
        if (s.substr(i, needle.size()) == needle) return true;
    return false;
}

}  // namespace

uint32_t AttributesFromExternal(uint32_t x) {
    uint32_t a = attr::Normal;
    if ((x & 0x40000000u) || (x & 0x10u)) a = attr::Normal | attr::Directory;
    if (x & 0x20u) a |= attr::Archive;
    if (x & 0x02u) a |= attr::Hidden;
    if (!(x & 0x00800000u) || (x & 0x01u)) a |= attr::ReadOnly;
    if (x & 0x04u) a |= attr::System;
    return a;
}

uint64_t DosToFileTime(uint32_t dosDateTime) {
    const uint32_t date = dosDateTime >> 16;
    const uint32_t time = dosDateTime & 0xFFFF;
    const int64_t year = 1980 + (date >> 9);
    const int month = static_cast<int>((date >> 5) & 0x0F);
    const int day = static_cast<int>(date & 0x1F);
    const int hour = static_cast<int>(time >> 11);
    const int minute = static_cast<int>((time >> 5) & 0x3F);
    const int second = static_cast<int>(time & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return 0;
    if (hour > 23 || minute > 59 || second > 59) return 0;
    const int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return UnixToFileTime(seconds);
}

uint64_t UnixToFileTime(int64_t seconds) {
    return static_cast<uint64_t>(seconds + kUnixEpochSeconds) * kTicksPerSecond;
}

ExtendedTimes ScanExtendedTimestamp(const uint8_t* extra, size_t length) {
    ExtendedTimes t;
    if (!extra || length <= 4) return t;
    size_t pos = 0;
    while (length - pos > 4) {
        const uint16_t tag = U16(extra + pos);
        const size_t size = U16(extra + pos + 2);
        if (tag == 0x5455) {  // "UT"
            const uint8_t* data = extra + pos + 4;
            const size_t avail = std::min(size, length - pos - 4);
            if (avail < 1) break;
            const uint8_t flags = data[0];
            size_t at = 1;
            bool* has[] = {&t.hasModified, &t.hasAccessed, &t.hasCreated};
            uint64_t* value[] = {&t.modified, &t.accessed, &t.created};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (at + 4 > avail) break;
                *value[bit] = UnixToFileTime(static_cast<int32_t>(U32(data + at)));
                *has[bit] = true;
                at += 4;
            }
            break;
        }
        pos += size + 4;
        if (pos >= length) break;
    }
    return t;
}

bool IsZipHeader(const uint8_t* bytes, size_t count) {
    if (!bytes || count < kHeaderCheckSize) return false;
    return U32(bytes) == 0x04034B50u && static_cast<int32_t>(U32(bytes + 24)) >= 1;
}

int32_t ProgressPercentage(uint32_t current, uint32_t total) {
    if (total == 0) return 100;
    return static_cast<int32_t>(static_cast<double>(current) * 100.0 / static_cast<double>(total));
}

std::string TargetPath(const text::LeadBytes& lead, std::string_view destination, std::string_view entryName) {
    std::string path(destination);
    if (!text::EndsWithChar(lead, destination, '\\')) path += '\\';
    const size_t nameStart = path.size();
    path += entryName;
    std::string_view name(path);
    for (size_t i = nameStart; i < path.size(); i += text::CharWidth(lead, name, i))
        if (path[i] == '/') path[i] = '\\';
    return path;
}

bool IsSafeEntryName(const text::LeadBytes& lead, std::string_view name) {
    if (name.empty() || name.size() > kMaxEntryName || !IsWellFormed(lead, name)) return false;
    if (IsSeparator(name[0])) return false;
    if (text::FindChar(lead, name, ':') != std::string_view::npos) return false;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); i += (i < name.size() ? text::CharWidth(lead, name, i) : 1)) {
        if (i < name.size() && !IsSeparator(name[i])) continue;
        // Empty steps ("a//b", the trailing "/" of a folder entry) add nothing.
        if (i > start && !IsSafeComponent(lead, name.substr(start, i - start))) return false;
        start = i + 1;
    }
    return true;
}

bool NamesFolder(const text::LeadBytes& lead, std::string_view name) {
    const size_t last = text::LastCharStart(lead, name);
    return last != std::string_view::npos && last + 1 == name.size() && IsSeparator(name[last]);
}

std::vector<std::string> FolderLevels(const text::LeadBytes& lead, std::string_view path) {
    std::string full(path);
    if (!text::EndsWithChar(lead, path, '\\')) full += '\\';
    std::vector<std::string> levels;
    std::string_view v(full);
    for (size_t i = 0; i < v.size(); i += text::CharWidth(lead, v, i))
        if (v[i] == '\\') levels.emplace_back(v.substr(0, i + 1));
    return levels;
}

FolderPart FolderOfTarget(const text::LeadBytes& lead, std::string_view target) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < target.size(); i += text::CharWidth(lead, target, i))
        if (IsSeparator(target[i])) found = i;
    if (found == std::string_view::npos) return {};
    return {true, target.substr(0, found)};
}

bool IsRelativeFolder(const text::LeadBytes& lead, std::string_view folder) {
    if (folder.empty() || IsSeparator(folder[0])) return false;
    if (folder.size() >= 2 && folder[1] == ':' && text::CharWidth(lead, folder, 0) == 1) return false;
    return !ContainsChars(lead, folder, "../") && !ContainsChars(lead, folder, "..\\");
}

}  // namespace vx::zip
