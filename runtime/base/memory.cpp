#include "runtime/base/memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/base/errors.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vx {
namespace {

struct Range {
    const uint8_t* start;
    const uint8_t* end;
};

// Written during initialisation only, read from any thread afterwards.
std::vector<Range>& Ranges() {
    static std::vector<Range> ranges;
    return ranges;
}

void* HeapTake(size_t size) {
#ifdef _WIN32
    return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
#else
    return std::malloc(size ? size : 1);
#endif
}

void* HeapResize(void* p, size_t size) {
#ifdef _WIN32
    return HeapReAlloc(GetProcessHeap(), 0, p, size ? size : 1);
#else
    return std::realloc(p, size ? size : 1);
#endif
}

void HeapGive(void* p) {
#ifdef _WIN32
    HeapFree(GetProcessHeap(), 0, p);
#else
    std::free(p);
#endif
}

}  // namespace

namespace constants {
void AddRange(const void* start, size_t length) {
    auto* s = static_cast<const uint8_t*>(start);
    Ranges().push_back({s, s + length});
}
const uint8_t* RangeEnd(const void* p) {
    auto* b = static_cast<const uint8_t*>(p);
    if (!b) return nullptr;
    for (const Range& r : Ranges())
        if (b >= r.start && b < r.end) return r.end;
    return nullptr;
}
void Clear() { Ranges().clear(); }
}  // namespace constants

void* TryAllocate(size_t size) { return HeapTake(size); }

void* Allocate(size_t size) {
    void* p = HeapTake(size);
    if (!p) ReportAllocationFailure(size);
    return p;
}

void* Reallocate(void* block, size_t size) {
    if (!block) return Allocate(size);
    if (const uint8_t* end = constants::RangeEnd(block)) {
        // A literal is never resized in place: copy what the range holds.
        void* copy = Allocate(size);
        size_t available = static_cast<size_t>(end - static_cast<uint8_t*>(block));
        std::memcpy(copy, block, std::min(size, available));
        return copy;
    }
    void* p = HeapResize(block, size);
    if (!p) ReportAllocationFailure(size);
    return p;
}

void Free(const void* block) {
    if (!block || constants::IsLiteral(block)) return;
    HeapGive(const_cast<void*>(block));
}

char* NewText(std::string_view text) {
    if (text.empty()) return nullptr;
    auto* p = static_cast<char*>(Allocate(text.size() + 1));
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    return p;
}

void* NewByteSet(const void* data, size_t count) {
    if (count == 0) return nullptr;
    // The header counts in 32 signed bits: a larger set cannot be made.
    if (count > size_t(INT32_MAX)) ReportAllocationFailure(count + 8);
    auto* p = static_cast<uint8_t*>(Allocate(8 + count));
    int32_t header[2] = {1, static_cast<int32_t>(count)};
    std::memcpy(p, header, 8);
    std::memcpy(p + 8, data, count);
    return p;
}

}  // namespace vx
