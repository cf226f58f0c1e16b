// Window template compiler: readable window sources (one per window) plus
// the pictures they name, compiled into the template byte stream the runtime
// reads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace wtc {

// A source error: "file:line: message".
class CompileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Pixels {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;  // row-major, top row first
};

// Reads a PNG file into 8-bit RGBA; throws CompileError.
Pixels ReadPng(const std::filesystem::path& file);

// Image-list block of a bar: "MITL", 00 00 00 FF, then a common-controls
// image-list stream (version 0x101, 24-bit colour plus 1-bit mask) holding
// the strip's cells in order, left to right then top to bottom. Pixels of
// the transparent colour (magenta) or with alpha below 128 are masked.
std::vector<uint8_t> ImageListBlock(const Pixels& strip, uint32_t cellWidth, uint32_t cellHeight,
                                    uint32_t count);

// UTF-8 to the ANSI code page of the program (GBK); throws CompileError.
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

private:
    std::vector<std::string> procedures_;
    std::vector<uint32_t> ids_;
    std::vector<std::vector<uint8_t>> records_;
};

// C++ source defining vxTemplateData / vxTemplateSize for the bytes.
std::string EmbeddingSource(const std::vector<uint8_t>& bytes);

}  // namespace wtc
