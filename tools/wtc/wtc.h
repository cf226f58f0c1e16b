// Window template compiler: readable window sources (one per window) plus
// the pictures they name, compiled into the template byte stream the runtime
// reads.
//
// Source format, one item per line, '#' starts a comment, indentation free:
//   window <id>                      then: first-word <n>, class-id <n>,
//                                    texts "<a>" "<b>"
//   unit <id> <Type>                 Type: Window EditBox PicBox Button Timer
//                                    PicBtn TransLabel SuperBar ZIP; then:
//     name "<t>"  rect <l> <t> <w> <h>  flags <n>  tab-order <n>   (required;
//                                    flags also as names: Visible Disabled TabStop)
//     comment "<t>"  tag "<t>"  group-link <id>  parent <id>
//     children <id>...               (0 separates pages)
//     pointer default | hand | system <id> | file "<cursor>"
//     event <number or name> <Procedure> | none      (repeatable; names:
//                                    runtime/windows/template/event_numbers.h)
//     access <role> ["<name>"]       what a screen reader is told of the
//                                    unit (role: button checkbox link text
//                                    progressbar hidden); kept in a table
//                                    beside the template, not in it
//     data ... end                   the type's fields, one per line, by name
//                                    and in stored order (every field given)
//   menu <id>                        name, caption, comment, type, words <a> <b>,
//                                    flags, click <Procedure>
// Field values: numbers (decimal, 0x hex, negative); "texts" (UTF-8, stored
// as GBK; \r \n \t \\ \" \0 and \xNN, a byte stored as it is); blocks
// 'none' or 'file "<path>"'; fonts 'none' or 'font height <n> weight <n>
// underline <n> charset <n> face "<name>" ...' (a LOGFONTA); image lists
// 'none' or 'imagelist "<strip.png>" cell <w> <h> count <n>'. Paths are
// relative to the source file; procedures come from the procedure list.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/windows/template/unit_access.h"

namespace wtc {

// One 'access' line: the unit, its role and its name (GBK, may be empty).
struct AccessEntry {
    uint32_t windowId = 0;
    uint32_t unitId = 0;
    vx::wt::AccessRole role = vx::wt::AccessRole::kOwn;
    std::string name;
};

// A source error: "file:line: message".
class CompileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Pixels {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;  // row-major, top row first
};

// The bytes of a file (sources, procedure lists, pictures); throws
// CompileError.
std::string ReadFile(const std::filesystem::path& file);

// Reads a PNG file into 8-bit RGBA; throws CompileError.
Pixels ReadPng(const std::filesystem::path& file);

// Image-list block of a bar: "MITL", 00 00 00 FF, then a common-controls
// image-list stream (version 0x101, 24-bit colour plus 1-bit mask) holding
// the strip's cells in order, left to right then top to bottom. Pixels of
// the transparent colour (magenta) or with alpha below 128 are masked.
std::vector<uint8_t> ImageListBlock(const Pixels& strip, uint32_t cellWidth, uint32_t cellHeight, uint32_t count);

// UTF-8 to the ANSI code page of the program (GBK, tools/gbk); throws
// CompileError.
std::string ToGbk(std::string_view utf8);

class Compiler {
public:
    // One procedure name per line, in table order (8-byte jump stubs).
    void LoadProcedures(std::string_view listText);
    void LoadProceduresFile(const std::filesystem::path& file);
    // Offset of a procedure from the procedure base; throws if unknown.
    int32_t ProcedureOffset(std::string_view name) const;

    // Adds one window from its source text; `where` names it in errors and
    // `baseDir` resolves the picture files it names.
    void AddWindow(std::string_view source, const std::string& where, const std::filesystem::path& baseDir);
    void AddWindowFile(const std::filesystem::path& file);

    // The template stream of every window added, in order.
    std::vector<uint8_t> Build() const;
    // The 'access' lines of every window added, in order.
    const std::vector<AccessEntry>& Access() const { return access_; }

private:
    std::vector<std::string> procedures_;
    std::vector<uint32_t> ids_;
    std::vector<std::vector<uint8_t>> records_;
    std::vector<AccessEntry> access_;
};

// C++ source defining vxTemplateData / vxTemplateSize for the bytes.
std::string EmbeddingSource(const std::vector<uint8_t>& bytes);
// C++ source defining vxUnitAccess / vxUnitAccessCount for the entries
// (appended to the embedding source).
std::string AccessTableSource(const std::vector<AccessEntry>& entries);

}  // namespace wtc
