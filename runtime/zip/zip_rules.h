// The byte-level rules of the archive component: attribute and time mapping,
// the extended-timestamp scan, the header check, progress arithmetic and the
// entry-name to target-path rules. Portable (no <windows.h>) so that they
// build and are tested natively too. Paths are ANSI code-page bytes and every
// walk over them is double-byte aware by the lead-byte table it is given
// (the system's in the extractor).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/base/text.h"

namespace vx::zip {

// Windows file attribute bits as the reader reports them.
namespace attr {
constexpr uint32_t ReadOnly = 0x01;
constexpr uint32_t Hidden = 0x02;
constexpr uint32_t System = 0x04;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
constexpr uint32_t Normal = 0x80;
}  // namespace attr

// Longest entry name kept, without its terminator.
constexpr size_t kMaxEntryName = 259;

// Attributes from a central-directory external attributes word. The upper
// half is the Unix mode when the archive was made on such a system; an entry
// whose upper half is zero therefore comes out read-only.
uint32_t AttributesFromExternal(uint32_t external);

// 100 ns ticks since 1601-01-01.
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochSeconds = 11644473600;  // 1601 -> 1970

// MS-DOS date (upper 16 bits) and time (lower 16 bits) as file-time ticks of
// the same wall-clock reading (the caller converts local to UTC). 0 for a
// date or time that names no moment (month 0, day 31 of April, hour 25, ...).
uint64_t DosToFileTime(uint32_t dosDateTime);

// Seconds since 1970 UTC as file-time ticks.
uint64_t UnixToFileTime(int64_t seconds);

struct ExtendedTimes {
    bool hasModified = false;
    bool hasAccessed = false;
    bool hasCreated = false;
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint64_t created = 0;
};

// Scans a local extra field for the first "UT" block (extended timestamp).
// Times that the flags announce but the block does not hold are ignored.
ExtendedTimes ScanExtendedTimestamp(const uint8_t* extra, size_t length);

constexpr size_t kHeaderCheckSize = 32;
// First 32 bytes of a file: a local file header signature and a positive
// word at offset 24 (any first entry with a name passes).
bool IsZipHeader(const uint8_t* bytes, size_t count);

// current * 100 / total in double precision, truncated. A total of 0 means
// nothing is left to do, which is reported as done: 100.
int32_t ProgressPercentage(uint32_t current, uint32_t total);

// Destination + "\" (unless it already ends with one) + the entry name with
// every "/" made "\".
std::string TargetPath(const text::LeadBytes& lead, std::string_view destination, std::string_view entryName);

// Whether an entry name stays below the destination and names an ordinary
// file: not rooted ("\x", "/x", "\\server\share"), no drive or stream colon,
// no "." or ".." step, no component ending in a dot or space (Windows drops
// them, so "a." would land on "a"), no reserved device name (CON, NUL.txt,
// COM1, ...), no control or wildcard characters, not empty or cut short, and
// no double-byte character whose trail byte is not a valid trail byte.
bool IsSafeEntryName(const text::LeadBytes& lead, std::string_view name);

// Whether an entry name ends in "/" or "\" (double-byte aware): such an
// entry can only be a folder, whatever its attributes say.
bool NamesFolder(const text::LeadBytes& lead, std::string_view name);

// The prefixes of path at each "\" (path taken with a trailing "\"), shortest
// first: what folder creation with all missing levels walks.
std::vector<std::string> FolderLevels(const text::LeadBytes& lead, std::string_view path);

// The part of a target before its last "/" or "\"; npos-like empty optional
// expressed as found = false.
struct FolderPart {
    bool found = false;
    std::string_view folder;
};
FolderPart FolderOfTarget(const text::LeadBytes& lead, std::string_view target);

// A folder that may be created below the reader's base folder: not rooted,
// no drive colon as second character, no "../" or "..\".
bool IsRelativeFolder(const text::LeadBytes& lead, std::string_view folder);

}  // namespace vx::zip
