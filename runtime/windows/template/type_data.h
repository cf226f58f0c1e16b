// The stored type data of each unit type (the tail of a unit record), as
// field lists in stored order, plus a bounds-checked cursor for reading such
// bytes. The unit types read their own data when they create a unit; these
// tables serve the template compiler, the checks and any type that wants
// its fields by name.
//
// Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "runtime/windows/template/template.h"

namespace vx::wt {

// Little-endian cursor over a byte span. A read past the end yields 0 or
// empty and sets failed(); later reads keep failing.
class ByteReader {
public:
    explicit ByteReader(Bytes bytes) : bytes_(bytes) {}

    int32_t I32();
    uint32_t U32() { return static_cast<uint32_t>(I32()); }
    uint16_t U16();
    // Exactly n bytes.
    Bytes Take(size_t n);
    // Counted block: 32-bit length (0 or less: empty), then the bytes.
    Bytes Block();
    // Counted text: as a block, cut at its first zero byte.
    std::string_view CountedText();
    // Zero-terminated text (the zero is consumed, not returned).
    std::string_view ZeroText();

    bool failed() const { return failed_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return bytes_.size() - pos_; }

private:
    Bytes bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
};

// Appending the same primitives.
void PutI32(std::vector<uint8_t>& out, int32_t value);
void PutU16(std::vector<uint8_t>& out, uint16_t value);
void PutBlock(std::vector<uint8_t>& out, Bytes block);
void PutCountedText(std::vector<uint8_t>& out, std::string_view text);
void PutZeroText(std::vector<uint8_t>& out, std::string_view text);

enum class FieldKind {
    kInt32,       // 32-bit integer (also colours and logicals)
    kInt16,       // 16-bit word
    kText,        // counted text
    kBlock,       // counted block (pictures, sounds, icons)
    kFont,        // counted block holding nothing or one 60-byte LOGFONTA
    kLogFont,     // a bare 60-byte LOGFONTA
    kImageList,   // counted block: "MITL", 00 00 00 FF, image-list stream
};

constexpr size_t kLogFontSize = 60;

struct FieldSpec {
    const char* name;
    FieldKind kind;
    int32_t sinceVersion = 0;  // present only when version >= this
};

struct TypeSchema {
    uint32_t typeId;
    const char* name;        // English type name
    bool hasData;            // false: the record has no type data at all
    int32_t highestVersion;  // data of a higher version is refused
    std::span<const FieldSpec> fields;  // fields[0] is the version word
};

// Schema of a type id, or nullptr.
const TypeSchema* FindSchema(uint32_t typeId);
const TypeSchema* FindSchemaByName(std::string_view name);
std::span<const TypeSchema> AllSchemas();

struct FieldValue {
    const FieldSpec* spec;
    int32_t number = 0;  // integer kinds
    Bytes bytes;         // text, block, font and image-list kinds
};

enum class DecodeStatus { kOk, kTruncated, kVersionTooHigh, kUnknownType, kTrailingBytes };

// Reads type data by the schema. Trailing bytes after the last field are
// reported (kTrailingBytes) but the fields are still returned.
DecodeStatus DecodeTypeData(uint32_t typeId, Bytes data, std::vector<FieldValue>& out);
// The field of a decoded list by name, or nullptr.
const FieldValue* FindField(const std::vector<FieldValue>& fields, std::string_view name);

// Image-list block: "MITL", 00 00 00 FF, then the stream (from "IL").
// Empty span when the block holds no image list (8 bytes or less, no tag).
Bytes ImageListStream(Bytes block);
constexpr uint8_t kImageListTag[8] = {'M', 'I', 'T', 'L', 0x00, 0x00, 0x00, 0xFF};

}  // namespace vx::wt
