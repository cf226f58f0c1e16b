// The release build's link (cmake/unwind-gc-link.sh), on this test program
// of its own: the functions nothing calls are gone from the image, and every
// function that stays keeps its unwind data, so that an exception still
// unwinds through C++ and C frames alike.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

extern "C" {
// unwind_gc_link_calls.c: built without a section per function; it also
// holds a function nothing calls, which has to stay with the one that is.
int VxGcCallThrough(int (*callback)(int), int value);
}

// Called by nothing: its own section, which the link drops.
extern "C" __attribute__((noinline)) uint64_t VxGcUnusedCxx() { return 0x7a1c3e5f9b2d4c68ull; }

namespace {

// The constants of the unused functions, made at run time so that this code
// does not carry them itself.
uint64_t Pattern(uint64_t a, uint64_t b) {
    volatile uint64_t x = a;
    return x ^ b;
}
bool ImageCodeHas(uint64_t value) {
    auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (!(section->Characteristics & IMAGE_SCN_CNT_CODE)) continue;
        const uint8_t* p = base + section->VirtualAddress;
        for (DWORD at = 0; at + sizeof value <= section->Misc.VirtualSize; ++at)
            if (std::memcmp(p + at, &value, sizeof value) == 0) return true;
    }
    return false;
}

bool HasUnwindData(const void* function) {
    DWORD64 imageBase = 0;
    return RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(function), &imageBase, nullptr) != nullptr;
}

__attribute__((noinline)) int Throws(int value) {
    if (value > 0) throw std::runtime_error("through the C frame");
    return value;
}

__attribute__((noinline)) int ThrowsDeeper(int value) { return VxGcCallThrough(Throws, value) + 1; }

}  // namespace

TEST(UnwindGcLink, FunctionsNothingCallsAreGone) {
    // 0x7a1c3e5f9b2d4c68 and 0x3c5e7a9b1d2f4e61, each split in two halves.
    EXPECT_FALSE(ImageCodeHas(Pattern(0x7a1c3e5f00000000ull, 0x000000009b2d4c68ull)))
        << "a C++ function in a section of its own that nothing calls is still linked";
    EXPECT_FALSE(ImageCodeHas(Pattern(0x3c5e7a9b00000000ull, 0x000000001d2f4e61ull)))
        << "the code of a C file nothing calls is still linked";
    // The search does find code that stays: the C file's unused function
    // shares its file's one section with a used one.
    EXPECT_TRUE(ImageCodeHas(Pattern(0x5e3c9b7a00000000ull, 0x00000000e61d2f41ull)));
}

TEST(UnwindGcLink, FunctionsThatStayKeepTheirUnwindData) {
    EXPECT_TRUE(HasUnwindData(reinterpret_cast<const void*>(&Throws)));
    EXPECT_TRUE(HasUnwindData(reinterpret_cast<const void*>(&ThrowsDeeper)));
    EXPECT_TRUE(HasUnwindData(reinterpret_cast<const void*>(&VxGcCallThrough)));
}

TEST(UnwindGcLink, ExceptionsUnwindThroughCAndCxxFrames) {
    EXPECT_EQ(ThrowsDeeper(0), 2);
    bool caught = false;
    try {
        ThrowsDeeper(1);
    } catch (const std::runtime_error& e) {
        caught = std::strcmp(e.what(), "through the C frame") == 0;
    }
    EXPECT_TRUE(caught);
}
