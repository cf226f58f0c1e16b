// The stored type data of each unit type (the tail of a unit record), as
// field lists in stored order. The unit types read their own data when they
// create a unit; these tables serve the template compiler, the checks and any type that wants
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

#include "runtime/base/byte_reader.h"
#include "runtime/windows/template/template.h"

namespace vx::wt {

// The template's fields are read and written through the common byte reader.
using vx::ByteReader;
using vx::PutBlock;
using vx::PutCountedText;
using vx::PutI32;
using vx::PutU16;
using vx::PutZeroText;

enum class FieldKind {
    kInt32,      // 32-bit integer (also colours and logicals)
    kInt16,      // 16-bit word
    kText,       // counted text
    kBlock,      // counted block (pictures, sounds, icons)
    kFont,       // counted block holding nothing or one 60-byte LOGFONTA
    kLogFont,    // a bare 60-byte LOGFONTA
    kImageList,  // counted block: "MITL", 00 00 00 FF, image-list stream
};

constexpr size_t kLogFontSize = 60;

struct FieldSpec {
    const char* name;
    FieldKind kind;
    int32_t sinceVersion = 0;  // present only when version >= this
};

struct TypeSchema {
    uint32_t typeId;
    const char* name;                   // English type name
    bool hasData;                       // false: the record has no type data at all
    int32_t highestVersion;             // data of a higher version is refused
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
