// Replaces the test program's global operator new so that a test can make
// every C++ allocation above a size fail, as a full heap would. Include it
// in one source file of a test program only.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace vx::test {

inline std::atomic<size_t> gNewLimit{SIZE_MAX};

// C++ allocations of more than `bytes` throw std::bad_alloc while it lives.
class NewLimit {
public:
    explicit NewLimit(size_t bytes) { gNewLimit = bytes; }
    ~NewLimit() { gNewLimit = SIZE_MAX; }
    NewLimit(const NewLimit&) = delete;
    NewLimit& operator=(const NewLimit&) = delete;
};

}  // namespace vx::test

// new takes from malloc, so delete gives back with free (the compiler cannot
// see that the two are replaced together).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    if (size > vx::test::gNewLimit) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
