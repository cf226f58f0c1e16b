// The pure text rules of the command library over ANSI code-page bytes.
// Every walk steps over a double-byte character (a lead byte of the given
// code-page table and the byte after it) as one unit. No <windows.h>: built
// and tested natively; the commands pass the system's table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/base/text.h"

namespace vx::commands {

// 1-based byte position of the first match at or after the 1-based start
// (below 1 counts as 1; 0 = from the beginning), or -1. A match never begins
// on the second byte of a double-byte character. ignoreCase folds A-Z only
// in single-byte characters.
int32_t FindTextIn(const text::LeadBytes& lead, std::string_view text, std::string_view needle, int32_t start,
                   bool ignoreCase);

// A-Z to a-z; the byte after a lead byte is left alone.
std::string LowerCaseText(const text::LeadBytes& lead, std::string_view text);

// Full-width characters of code page 936 that have a single-byte form
// (0xA3A1..0xA3FE and the ideographic space 0xA1A1) replaced by that form.
std::string NarrowFullWidth(const text::LeadBytes& lead, std::string_view text);

// Leading blanks, optional sign, decimal digits up to the first other byte;
// no digits give 0; values past the 32-bit range clamp to it.
int32_t ParseDecimal(std::string_view text);

// The arguments after the program name of a process command line.
std::vector<std::string> SplitCommandLine(const text::LeadBytes& lead, std::string_view commandLine);

// Registry path: key below the root and value name, split at the last '\'
// that is not the second byte of a double-byte character. No '\': the whole
// text is the value name in the root key.
struct RegistryPath {
    std::string key;
    std::string value;
};
RegistryPath SplitRegistryPath(const text::LeadBytes& lead, std::string_view path);

}  // namespace vx::commands
