// Internal services 0 to 5: directory search, array copy-on-write, exit
// routine, properties of library-defined data types.
#include <windows.h>

#include "runtime/base/errors.h"
#include "runtime/process/runtime_object.h"
#include "runtime/process/internal_services.h"

namespace vx {
namespace {

constexpr DWORD kMaskBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

bool Accepts(DWORD attributes, int32_t mask, bool maskOmitted) {
    if (maskOmitted) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    DWORD m = static_cast<DWORD>(mask) & kMaskBits;
    if (mask == 0) return attributes == 0;
    return (attributes & m) != 0;
}

struct ObjectTypeEntry {
    uint32_t typeCode;
    ObjectPropertyReader read;
    ObjectPropertyWriter write;
};
std::vector<ObjectTypeEntry>& ObjectTypes() {
    static std::vector<ObjectTypeEntry> types;
    return types;
}

}  // namespace

char* FindFile(const char* pattern, int32_t mask, bool maskOmitted, intptr_t* searchHandle) {
    WIN32_FIND_DATAA data;
    HANDLE h;
    bool haveEntry;
    if (pattern && *pattern) {
        EndSearch(*searchHandle);
        *searchHandle = 0;
        h = FindFirstFileA(pattern, &data);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        haveEntry = true;
    } else {
        h = reinterpret_cast<HANDLE>(*searchHandle);
        if (!h) return nullptr;
        haveEntry = FindNextFileA(h, &data) != FALSE;
    }
    while (haveEntry && !Accepts(data.dwFileAttributes, mask, maskOmitted))
        haveEntry = FindNextFileA(h, &data) != FALSE;
    if (!haveEntry) {
        FindClose(h);
        *searchHandle = 0;
        return nullptr;
    }
    *searchHandle = reinterpret_cast<intptr_t>(h);
    return NewText(data.cFileName);
}

void EndSearch(intptr_t searchHandle) {
    if (searchHandle) FindClose(reinterpret_cast<HANDLE>(searchHandle));
}

void MakeArrayWritable(int32_t elementSize, void** arrayVariable) {
    void* block = *arrayVariable;
    if (!block || !constants::IsLiteral(block)) return;
    ArrayView array{static_cast<const uint8_t*>(block)};
    size_t header = 4 + 4 * static_cast<size_t>(array.Dimensions());
    size_t bytes = header + static_cast<size_t>(array.Count()) * static_cast<size_t>(elementSize);
    void* copy = Allocate(bytes);
    std::memcpy(copy, block, bytes);
    *arrayVariable = copy;
}

void RegisterObjectType(uint32_t typeCode, ObjectPropertyReader read, ObjectPropertyWriter write) {
    ObjectTypes().push_back({typeCode, read, write});
}

int64_t ReadObjectProperty(uint32_t typeCode, void* object, int32_t index, int32_t kind) {
    for (const ObjectTypeEntry& e : ObjectTypes())
        if (e.typeCode == type::Base(typeCode) && e.read) return e.read(object, index, kind);
    RaiseError(kTypeMismatch);
}

void WriteObjectProperty(uint32_t typeCode, void* object, int32_t index, int32_t kind, uint32_t low, uint32_t high) {
    for (const ObjectTypeEntry& e : ObjectTypes())
        if (e.typeCode == type::Base(typeCode) && e.write) return e.write(object, index, kind, low, high);
    RaiseError(kTypeMismatch);
}

}  // namespace vx
