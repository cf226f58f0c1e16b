// The runtime allocator: the process heap, plus the list of constant ranges
// whose blocks are literals (never freed, copied before they are resized).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vx {

// Raises "分配 %d 字节内存失败!" when the heap has nothing left.
void* Allocate(size_t size);
void* Reallocate(void* block, size_t size);
// 0 and literals are ignored.
void Free(const void* block);
// Allocation without the failure error: 0 when the heap has nothing left.
void* TryAllocate(size_t size);

namespace constants {
void AddRange(const void* start, size_t length);
// End of the constant range holding p, or nullptr when p is not a literal.
const uint8_t* RangeEnd(const void* p);
inline bool IsLiteral(const void* p) { return RangeEnd(p) != nullptr; }
void Clear();
}  // namespace constants

// Fresh runtime-owned text; nullptr (the empty text) for an empty view.
char* NewText(std::string_view text);
// Fresh byte set {1, n, bytes}; nullptr for n == 0.
void* NewByteSet(const void* data, size_t count);

// Move-only owner of a runtime block, for texts a command takes apart.
class RuntimeBlock {
public:
    RuntimeBlock() = default;
    explicit RuntimeBlock(void* p) : p_(p) {}
    RuntimeBlock(RuntimeBlock&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    RuntimeBlock& operator=(RuntimeBlock&& o) noexcept {
        if (this != &o) {
            Free(p_);
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    RuntimeBlock(const RuntimeBlock&) = delete;
    RuntimeBlock& operator=(const RuntimeBlock&) = delete;
    ~RuntimeBlock() { Free(p_); }
    void* get() const { return p_; }
    void* release() {
        void* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    void* p_ = nullptr;
};

}  // namespace vx
